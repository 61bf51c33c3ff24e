// The Qt side of the application services: posted window messages are delivered by Qt's event
// loop, and ProcessMessages is Qt's event processing without user input.
#pragma once

// Installs both for the GUI thread (the thread of the Qt application, which must exist); the
// program does this at start-up, before any window exists. Idempotent.
void InstallQtApplicationServices();
