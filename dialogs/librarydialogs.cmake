# Import-folder dialog and library manager: they read and write config.xml through
# sampora_library.
add_library(sampora_dialogs_library STATIC
  importfolder.cpp importfolder.h
  librarymgr.cpp librarymgr.h
)
target_link_libraries(sampora_dialogs_library PUBLIC sampora_library Qt6::Widgets)
target_include_directories(sampora_dialogs_library PUBLIC ${CMAKE_SOURCE_DIR})

target_link_libraries(sampora_dialogs INTERFACE sampora_dialogs_library)
