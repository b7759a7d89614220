target_sources(sampora_library PRIVATE configwriter.cpp configwriter.h)
