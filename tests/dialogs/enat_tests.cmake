# The ENAT dialog: the list rules without widgets, then the window driven as
# the operator drives it, through to the script lines it produces.
mg_add_test(tst_frmstaticnat
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_frmStaticNAT.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestKit.h
  LIBS mg_dialogs mg_script GUI)
