# The static route and bandwidth-on-demand dialogs: their rules without
# widgets, then the windows driven as the operator drives them.
mg_add_test(tst_routelisteditor SOURCES tst_RouteListEditor.cpp LIBS mg_dialogs)
mg_add_test(tst_frmstaticroute SOURCES tst_frmStaticRoute.cpp RecordingPrompt.h LIBS mg_dialogs mg_script GUI)
mg_add_test(tst_frmbod SOURCES tst_frmBOD.cpp RecordingPrompt.h LIBS mg_dialogs mg_script GUI)
