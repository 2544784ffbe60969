#pragma once

// Measures how long the program takes from being launched until its main window has painted,
// and how much memory it holds once idle, for the start-up benchmark (bench/startup.sh). Nothing
// happens unless the environment variable ZQN_STARTUP_REPORT holds the launch time in nanoseconds
// since the epoch (what `date +%s%N` prints just before the launch).

class QWidget;

// Watches `window` for its first paint, then, after `idleMs` of normal running, prints one line
//   startup_ms=<launch to first paint> rss_kb=<resident now> peak_kb=<resident at most>
// to standard output and ends the event loop.
void ArmStartupReport(QWidget* window, int idleMs = 3000);
