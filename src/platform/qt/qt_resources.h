// The module resources of the program: its Qt resources, ":/WAVE/<name>" for a resource of
// type "WAVE" and so on. Call once at start-up, before anything looks a resource up.
#pragma once

void InstallQtResources();
