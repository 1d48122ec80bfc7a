# The editor window, its field rules and the start of the program around it.
list(APPEND MG_EDITOR_SOURCES
  EditorApp.cpp EditorApp.h
  FieldRules.cpp FieldRules.h
  SingleInstance.cpp SingleInstance.h
  frmMain.cpp frmMain.h
)
