// The auxiliary classes of the capture components: device enumeration, media types and their
// lists, pin lists, byte blocks and device monikers, and the volume conversions.
#pragma once

#include "capture/dsaux/basefilter.h"
#include "capture/dsaux/decibels.h"
#include "capture/dsaux/enummediatype.h"
#include "capture/dsaux/mediatypeobject.h"
#include "capture/dsaux/persistentmemory.h"
#include "capture/dsaux/pinlist.h"
#include "capture/dsaux/sysdevenum.h"
