// The delayed wait cursor: shown only once a watched operation has lasted
// more than 200 ms.
#pragma once

void BeginBusyWatch();
// Called often during the long operation.
void TickBusyWatch();
// Ends the watch and one wait-cursor period, even when none was begun.
void EndBusyWatch();
