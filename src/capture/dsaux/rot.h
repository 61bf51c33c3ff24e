// Registration of a running filter graph in the running-object table, so that an outside
// graph viewer can find it while it runs. Failures come back as results only.
#pragma once

#include "platform/dshow/graph_interfaces.h"

// Registers Graph weakly under the item moniker "!FilterGraph <pointer> pid <process id>"
// (pointer: 16 upper-case hexadecimal digits; process id: upper-case hexadecimal) and stores
// the cookie into ID. The result is that of the first step that failed, else Register's.
HRESULT AddGraphToRot(IFilterGraph* Graph, DWORD& ID);

// Revokes the registration ID.
HRESULT RemoveGraphFromRot(DWORD ID);
