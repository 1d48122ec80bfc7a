set(MG_SCRIPTVIEW_SOURCES frmScript.cpp frmScript.h)
