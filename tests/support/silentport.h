#pragma once

#include <QHostAddress>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback port whose accept queue is full: a connection attempt to it
// gets no answer and stays pending until the client gives it up. `port` is 0
// when the port could not be set up.
struct SilentPort
{
    SilentPort()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 0) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        filler.connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
        if (filler.waitForConnected(30000))
            port = ntohs(address.sin_port);
    }
    ~SilentPort() { ::close(fd); }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;

    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QTcpSocket filler;
    quint16 port = 0;
};
