#pragma once
#include "context/subsystemstates.h"

#include <QString>

class DataModule;
class FileChoice;
class Prompt;
class WindowHost;
class ReportOutput;

// Everything a window works with, built once by main (or per test case).
struct AppContext {
    AppContext(DataModule& d, Prompt& p, WindowHost* h = nullptr) : data(d), prompt(p), host(h) { }

    DataModule& data;
    Prompt& prompt;
    WindowHost* host;   // null in core-only tests
    ReportOutput* report = nullptr;   // the main report frNyomtat
    FileChoice* files = nullptr;   // file and folder questions; null: every question is cancelled

    SubsystemStates states;   // each subsystem's state for the run
    QString scaleText;   // the last text read from the scale
};
