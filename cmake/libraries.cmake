# The libraries the game calls, found the same way for the game's build and for
# a fuzz target configured on its own: libmpg123 (PkgConfig::MPG123) and
# Allegro 4.4 (the interface target allegro4).
find_package(PkgConfig REQUIRED)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
execute_process(COMMAND allegro-config --libs OUTPUT_VARIABLE ALLEGRO_LIBS OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(ALLEGRO_LIBS)
add_library(allegro4 INTERFACE)
target_link_libraries(allegro4 INTERFACE ${ALLEGRO_LIBS})
# The 4.0 compatibility layer is left out: text is drawn with the _ex calls and a
# background of -1, which is what the old text_mode(-1) set globally.
target_compile_definitions(allegro4 INTERFACE ALLEGRO_NO_COMPATIBILITY)
