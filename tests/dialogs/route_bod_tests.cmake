# The static route and bandwidth-on-demand dialogs, driven as the operator
# drives them, through to the script lines they produce.
mg_add_test(tst_frmstaticroute SOURCES tst_frmStaticRoute.cpp DialogTestKit.h LIBS mg_dialogs mg_script GUI)
mg_add_test(tst_frmbod SOURCES tst_frmBOD.cpp DialogTestKit.h LIBS mg_dialogs mg_script GUI)
