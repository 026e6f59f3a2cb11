// For end-to-end tests and diagnostics: when SCRIVLET_WINDOW_REPORT names a
// file, the windows open at exit are listed there, one per line.
#pragma once

class frmMain;

void writeWindowReport(const frmMain& main);
