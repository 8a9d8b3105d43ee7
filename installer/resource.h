// Resource identifiers of Cradlet: the string table of its four messages.
// Included by the install sequence and by the Windows resource script.
#pragma once

#define IDS_NO_SYNC_SOFTWARE 102
#define IDS_SYSTEM_ERROR 103
#define IDS_COPY_ERROR 104
#define IDS_SOURCE_MISSING 105
