# The static route dialog and the bandwidth-on-demand dialog, with the rules
# they share with their tests.
list(APPEND MG_DIALOG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BodChecks.cpp ${CMAKE_CURRENT_LIST_DIR}/BodChecks.h
  ${CMAKE_CURRENT_LIST_DIR}/RouteListEditor.cpp ${CMAKE_CURRENT_LIST_DIR}/RouteListEditor.h
  ${CMAKE_CURRENT_LIST_DIR}/frmBOD.cpp ${CMAKE_CURRENT_LIST_DIR}/frmBOD.h
  ${CMAKE_CURRENT_LIST_DIR}/frmStaticRoute.cpp ${CMAKE_CURRENT_LIST_DIR}/frmStaticRoute.h
)
