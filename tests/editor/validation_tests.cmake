mg_add_test(tst_validation
  SOURCES tst_validation.cpp tst_validation_fakes.h
  LIBS mg_editor GUI)
mg_add_test(tst_generate_validation
  SOURCES tst_generate_validation.cpp tst_validation_fakes.h
  LIBS mg_editor mg_cli GUI)
