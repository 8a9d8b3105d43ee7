// Resource identifiers of Cradlet: its program icon and the string table of
// its messages. A message's id is also the exit status after it is shown.
// Included by the install sequence and by the Windows resource script.
#pragma once

// The program icon: the only icon, so the one the shell shows for the file.
#define IDR_MAINFRAME 128

#define IDS_NO_SYNC_SOFTWARE 102
#define IDS_SYSTEM_ERROR 103
#define IDS_COPY_ERROR 104
#define IDS_SOURCE_MISSING 105
#define IDS_ALREADY_INSTALLING 106
