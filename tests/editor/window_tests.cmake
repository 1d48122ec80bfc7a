mg_add_test(tst_frmmain SOURCES tst_frmMain.cpp WindowFakes.h LIBS mg_editor GUI)
mg_add_test(tst_frmmain_fields SOURCES tst_frmMainFields.cpp WindowFakes.h LIBS mg_editor GUI)
mg_add_test(tst_editorapp SOURCES tst_EditorApp.cpp WindowFakes.h LIBS mg_editor GUI)
