#pragma once

// The timings of the controller links. The defaults are what the program runs
// with; a client takes a copy, so tests shorten them per instance instead of
// waiting for them.
struct LinkTiming
{
    // Silence after which a link counts as dead.
    static constexpr int kHeartbeatTimeoutMs = 32000;
    // Period of the reconnection attempts while a link is down.
    static constexpr int kRetryIntervalMs = 20000;
    // How long one connection attempt may take.
    static constexpr int kConnectWaitMs = 10000;
    // Delay between the first heartbeat of a connection and its read sweep.
    static constexpr int kSweepStartDelayMs = 500;
    // How long a read request of the sweep may stay unanswered before it is sent again.
    static constexpr int kReadReplyTimeoutMs = 5000;
    // How long a frame cut short waits for the rest of its bytes, from its
    // first byte on. The largest frame a controller pushes (a heartbeat or
    // a state frame, about 265 bytes) takes some 0.3 s even over a 9600 baud
    // leg, and the next one is due a second after the last: a piece still
    // waiting by then is dropped, so that the next frame is read as itself.
    static constexpr int PartialFrameMs = 500;

    int heartbeatTimeoutMs = kHeartbeatTimeoutMs;
    int retryIntervalMs = kRetryIntervalMs;
    int connectWaitMs = kConnectWaitMs;
    int sweepStartDelayMs = kSweepStartDelayMs;
    int readReplyTimeoutMs = kReadReplyTimeoutMs;
    int partialFrameMs = PartialFrameMs;
};
