# The ENAT dialog and the rules of the ENAT list it enforces.
list(APPEND MG_DIALOG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/EnatRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EnatRules.h
  ${CMAKE_CURRENT_LIST_DIR}/frmStaticNAT.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmStaticNAT.h
)
