#pragma once
// The application object: one copy per desktop, the network up, the main window run modally.
#include "platform/single_instance.h"

namespace vidudi::app {

constexpr char kProductTitle[] = "Norvane Vidudi";

class CVidudiApp {
public:
    explicit CVidudiApp(platform::SingleInstance& instance) : instance_(instance) {}
    // Runs the program; returns the process's exit code.
    int InitInstance();

private:
    platform::SingleInstance& instance_;
};

}  // namespace vidudi::app
