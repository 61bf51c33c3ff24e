// The capture components: the filter graph with its events and its two members, the sample
// grabber and the device filter.
#pragma once

#include "capture/dscapture/filter.h"
#include "capture/dscapture/filtergraph.h"
#include "capture/dscapture/samplegrabber.h"
