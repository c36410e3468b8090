#pragma once

class QApplication;

// The program's start after the application object exists: names and
// version, the database on its thread, the log-in, then the main window
// until it closes. Returns the exit code. `main` and the start-up test both
// run exactly this.
int runLumetra(QApplication& app);
