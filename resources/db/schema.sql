-- The database the program ships with. The program itself creates no tables:
-- this script builds brenik.db beside the binary at build time.
-- The program runs the file with the write-ahead log and full sync; the
-- journal mode is stored in the file, so it ships that way. Free pages (the
-- nightly clean-up of the logs leaves many) are given back in small steps
-- beside the running program, which needs incremental auto-vacuum; it can
-- only be chosen before the first table is made.
PRAGMA auto_vacuum = INCREMENTAL;
PRAGMA journal_mode = WAL;
BEGIN;

-- Column order is relied on by the user administration view.
CREATE TABLE users (
  id_user   INTEGER PRIMARY KEY AUTOINCREMENT,
  user      TEXT NOT NULL,
  password  TEXT NOT NULL,               -- lower-case hex MD5 of the Latin-1 bytes
  active    INTEGER NOT NULL DEFAULT 1,
  role_text TEXT,
  role_id   INTEGER NOT NULL
);

CREATE TABLE rights (
  id_right             INTEGER PRIMARY KEY,  -- 1, 2, 3 without gaps
  role_id              INTEGER NOT NULL,     -- 0 Installer, 1 Administrator, 2 Operator
  role_text            TEXT NOT NULL,
  edit_workspace       INTEGER NOT NULL DEFAULT 0,
  edit_users           INTEGER NOT NULL DEFAULT 0,
  send_command         INTEGER NOT NULL DEFAULT 0,
  clear_log            INTEGER NOT NULL DEFAULT 0,
  connect_visual_alarm INTEGER NOT NULL DEFAULT 0,
  vell_setup           INTEGER NOT NULL DEFAULT 0,
  timers_setup         INTEGER NOT NULL DEFAULT 0,
  voltage_diagramms    INTEGER NOT NULL DEFAULT 0,
  sensors_setup        INTEGER NOT NULL DEFAULT 0
);

INSERT INTO rights VALUES (1, 0, 'Installer',     1, 1, 1, 1, 1, 1, 1, 1, 1);
INSERT INTO rights VALUES (2, 1, 'Administrator', 1, 1, 1, 1, 1, 1, 1, 1, 1);
INSERT INTO rights VALUES (3, 2, 'Operator',      0, 0, 1, 0, 0, 0, 0, 1, 0);

-- First account: admin / admin. Change it after installation.
INSERT INTO users (user, password, active, role_text, role_id)
  VALUES ('admin', '21232f297a57a5a743894a0e4a801fc3', 1, 'Administrator', 1);

-- Keys are AUTOINCREMENT: clearing a log also resets its sqlite_sequence row,
-- so the next key after a full clear is 1.
CREATE TABLE logAlarm (
  id       INTEGER PRIMARY KEY AUTOINCREMENT,
  datetime TEXT,                         -- "dd.MM.yyyy hh:mm:ss " (20 characters)
  source   TEXT,
  reason   TEXT,
  info     TEXT
);
-- The alarm log sorts by any column in its query, a page at a time: each
-- index lists the rows in the order of one column, ties by key. A file made
-- before them gets them from the upkeep (DatabaseManager::addLogIndexes).
-- The date and time are kept as stored; their index is on the key that
-- reorders the text to year, month, day and time (core/stampkey.h), which
-- the log's range of days and its Date/Time order use verbatim.
CREATE INDEX logAlarm_stamp ON logAlarm(substr(datetime, 7, 4) || substr(datetime, 4, 2) || substr(datetime, 1, 2) || substr(datetime, 12, 8));
CREATE INDEX logAlarm_source ON logAlarm(source);
CREATE INDEX logAlarm_reason ON logAlarm(reason);
CREATE INDEX logAlarm_info ON logAlarm(info);

CREATE TABLE logUserAction (
  id       INTEGER PRIMARY KEY AUTOINCREMENT,
  datetime TEXT,                         -- "dd.MM.yyyy hh:mm:ss " (20 characters)
  user     TEXT,
  subject  TEXT,
  info     TEXT
);
-- The user-action log reads its pages as the alarm log does, with the same
-- indexes.
CREATE INDEX logUserAction_stamp ON logUserAction(substr(datetime, 7, 4) || substr(datetime, 4, 2) || substr(datetime, 1, 2) || substr(datetime, 12, 8));
CREATE INDEX logUserAction_user ON logUserAction(user);
CREATE INDEX logUserAction_subject ON logUserAction(subject);
CREATE INDEX logUserAction_info ON logUserAction(info);

CREATE TABLE logVoltage (
  id           INTEGER PRIMARY KEY AUTOINCREMENT,
  datetime     TEXT,                     -- "yyyy-MM-dd hh:mm:ss", local time
  voltage      REAL,
  sector       INTEGER,                  -- -1 battery, 0 sector 1, 1 sector 2
  energizer_no INTEGER                   -- 1..32; 0 marks a check point
);
CREATE INDEX logVoltage_datetime ON logVoltage(datetime);

-- The voltage statistics read one kind of row (battery or fence output) per
-- energizer, and sector, over a range of days. One index per kind lists
-- those rows in the order the statistics group them, so neither the other
-- kind's rows nor a sort are in the way.
CREATE INDEX logVoltage_battery ON logVoltage(energizer_no, datetime, voltage, sector) WHERE sector = -1;
CREATE INDEX logVoltage_output ON logVoltage(energizer_no, sector, datetime, voltage) WHERE sector <> -1;

-- The shape of a full voltage log (28 days of 32 energizers, three rows per
-- update), so that the query planner seeks each energizer's range of days
-- in the indexes above instead of reading all of them. ANALYZE makes the
-- statistics table; the rows describe the full log, not the empty one.
ANALYZE;
DELETE FROM sqlite_stat1 WHERE tbl = 'logVoltage';
INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES ('logVoltage', 'logVoltage_battery', '3572352 111636 1 1 1');
INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES ('logVoltage', 'logVoltage_output', '7144704 223272 111636 1 1');
INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES ('logVoltage', 'logVoltage_datetime', '10717056 96');

COMMIT;
