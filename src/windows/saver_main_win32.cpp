// The process entry of Orvane.scr. StartSaverProcess reads the command line itself, so the
// arguments the run-time hands over here are not needed.
#include <windows.h>

#include "windows/frame.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { StartSaverProcess(); }
