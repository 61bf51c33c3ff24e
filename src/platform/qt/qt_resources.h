// The module resources of the program: its Qt resources, ":/WAVE/<name>" for a resource of
// type "WAVE" and so on.
#pragma once

class ResourceProvider;

// The provider over the Qt resources, for the engine's host to install.
ResourceProvider* QtResources();
// Installs it directly. Once, at start-up, before anything looks a resource up.
void InstallQtResources();
