# Save dialog and mix export. The naming and info-file rules are widget-free
# (sampora_dialogs_save_core); the dialog itself is sampora_dialogs_save.
add_library(sampora_dialogs_save_core STATIC mixexport.cpp mixexport.h mixreader.cpp mixreader.h)
target_link_libraries(sampora_dialogs_save_core PUBLIC Qt6::Core)
target_include_directories(sampora_dialogs_save_core PUBLIC ${CMAKE_SOURCE_DIR})

add_library(sampora_dialogs_save STATIC savefiles.cpp savefiles.h)
target_link_libraries(sampora_dialogs_save PUBLIC sampora_dialogs_save_core sampora_library Qt6::Widgets)

target_link_libraries(sampora_dialogs INTERFACE sampora_dialogs_save)
