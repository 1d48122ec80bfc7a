list(APPEND MG_EDITOR_SOURCES
  ConfigurationValidator.cpp ConfigurationValidator.h
  GenerateCommand.cpp GenerateCommand.h
)
