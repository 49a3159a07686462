// The program's one application object; the framework's entry point runs it.
#include "ui/VellocApp.h"

qv::CVellocApp theApp;
