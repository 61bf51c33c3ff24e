// The engine's host in the program: the settings window's sliders, the GUI's message handling,
// the instrument editor's repaint and the program's Qt resources.
#pragma once

// Installs the program's host into the engine. Once, at start-up, before the windows exist;
// tests that make the program's windows install it the same way.
void InstallEngineHost();
