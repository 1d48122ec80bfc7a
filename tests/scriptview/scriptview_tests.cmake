mg_add_test(tst_frmscript SOURCES tst_frmScript.cpp LIBS mg_scriptview GUI)
