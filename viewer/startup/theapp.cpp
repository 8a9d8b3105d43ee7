// The viewer's application object: one static global, made before main and
// reached through AfxGetApp. Linked only into the programs; tests make
// their own application objects.
#include "app/viewerapp.h"
#include "startup/launch.h"

CViewerApp theApp;

CViewerApp& TheViewerApp() {
  return theApp;
}
