mg_add_test(tst_validation
  SOURCES tst_validation.cpp EditorTestKit.h
  LIBS mg_editor mg_cli GUI)
target_compile_definitions(tst_validation PRIVATE MG_EDITOR_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
