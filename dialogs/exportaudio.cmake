# The dialog of File > "Export Mix as Audio..."; the render itself is sampora_render.
add_library(sampora_dialogs_render STATIC exportaudio.cpp exportaudio.h)
target_link_libraries(sampora_dialogs_render PUBLIC sampora_render Qt6::Widgets)
target_include_directories(sampora_dialogs_render PUBLIC ${CMAKE_SOURCE_DIR})

target_link_libraries(sampora_dialogs INTERFACE sampora_dialogs_render)
