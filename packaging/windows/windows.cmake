# The demo for Windows, cross-built on Debian by mingw-w64
# (platform/windows/toolchain.cmake) against static libraries made from
# Debian's source packages (scripts/windows.sh): one .exe that needs no DLL
# beyond those of Windows, a program for the desktop with its manifest, icon
# and version in its resources, and the zip a Windows user unpacks and
# starts. The song, pictures and models are a desktop build's, made by our
# generator (DEMO_DATA_DIR).
set(DEMO_DATA_DIR "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
    "The generated assets (a desktop build's data folder)")
set(DEMO_ASSET_NAMES Prueba.IT presents.3ds logo.3ds txiringo.3DS logo.JPG ola.bmp sand.jpg
    wood.bmp thatch.BMP sign.bmp titulo3.tga tia.tga palmera.tga uf.tga)
foreach(asset ${DEMO_ASSET_NAMES})
    if(NOT EXISTS "${DEMO_DATA_DIR}/${asset}")
        message(FATAL_ERROR "No ${asset} in ${DEMO_DATA_DIR}: build the desktop demo first")
    endif()
endforeach()
find_program(FFMPEG_PROGRAM ffmpeg REQUIRED)
find_program(ZIP_PROGRAM zip REQUIRED)

add_subdirectory(platform)
add_subdirectory(platform/windows)

file(GLOB DEMO_CORE_SOURCES CONFIGURE_DEPENDS
    shell/*.cpp model/*.cpp image/*.cpp scenes/*.cpp)
list(REMOVE_ITEM DEMO_CORE_SOURCES ${CMAKE_SOURCE_DIR}/shell/main.cpp)
add_library(demo_core STATIC ${DEMO_CORE_SOURCES})
target_include_directories(demo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(demo_core PRIVATE DEMO_VERSION="${PROJECT_VERSION}")
target_link_libraries(demo_core PUBLIC platform_windows)

# The resources: the manifest, the icon (the title picture at the sizes
# Windows shows, the largest as PNG) and the version.
set(WINDOWS_OUT ${CMAKE_BINARY_DIR}/resources)
configure_file(${CMAKE_CURRENT_LIST_DIR}/marea-de-neon.manifest
    ${WINDOWS_OUT}/marea-de-neon.manifest @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/marea-de-neon.rc.in ${WINDOWS_OUT}/marea-de-neon.rc @ONLY)
add_custom_command(OUTPUT ${WINDOWS_OUT}/marea-de-neon.ico
    COMMAND ${FFMPEG_PROGRAM} -nostdin -hide_banner -loglevel error -y
        -i ${DEMO_DATA_DIR}/titulo3.tga
        -filter_complex "[0]split=4[a][b][c][d];[a]scale=256:256:flags=lanczos,format=bgra[s256];[b]scale=48:48:flags=lanczos,format=bgra[s48];[c]scale=32:32:flags=lanczos,format=bgra[s32];[d]scale=16:16:flags=lanczos,format=bgra[s16]"
        -map [s256] -map [s48] -map [s32] -map [s16]
        -c:v:0 png -c:v:1 bmp -c:v:2 bmp -c:v:3 bmp -frames:v 1
        ${WINDOWS_OUT}/marea-de-neon.ico
    DEPENDS ${DEMO_DATA_DIR}/titulo3.tga
    COMMENT "Making the program's icon from titulo3.tga"
    VERBATIM)
set_source_files_properties(${WINDOWS_OUT}/marea-de-neon.rc PROPERTIES OBJECT_DEPENDS
    "${WINDOWS_OUT}/marea-de-neon.ico;${WINDOWS_OUT}/marea-de-neon.manifest")

add_executable(marea-de-neon WIN32 shell/main.cpp ${WINDOWS_OUT}/marea-de-neon.rc)
target_link_libraries(marea-de-neon PRIVATE demo_core)
# The zip carries the program without its symbols.
target_link_options(marea-de-neon PRIVATE -s)

# The demo's own reader as a console program, for the tests that compare
# GDI's bitmaps with the desktop's.
file(GLOB INSPECT_SOURCES CONFIGURE_DEPENDS tools/inspect/*.cpp)
add_executable(inspect ${INSPECT_SOURCES})
target_link_libraries(inspect PRIVATE demo_core)

# The Windows programs the tests run under Wine beside the demo.
add_subdirectory(tests/windows)
# The scenes' frame rates, measured beside the desktop's by
# bench/windows-beside-native.
add_executable(scene_rates bench/scene_rates.cpp)
target_link_libraries(scene_rates PRIVATE demo_core)
set_target_properties(scene_rates PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# The zip: one folder holding the program, its files and a README.
set(ZIP_FOLDER marea-de-neon-${PROJECT_VERSION})
set(ZIP_FILE ${CMAKE_BINARY_DIR}/marea-de-neon-${PROJECT_VERSION}-windows-x64.zip)
set(STAGE ${CMAKE_BINARY_DIR}/zip/${ZIP_FOLDER})
list(TRANSFORM DEMO_ASSET_NAMES PREPEND ${DEMO_DATA_DIR}/ OUTPUT_VARIABLE DEMO_ASSET_FILES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY
    NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${ZIP_FILE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/zip ${ZIP_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:marea-de-neon> ${DEMO_ASSET_FILES}
        ${CMAKE_BINARY_DIR}/README.txt ${STAGE}
    # Without Unix attributes, which Windows has no use for.
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/zip
        ${ZIP_PROGRAM} -q -X -r -9 ${ZIP_FILE} ${ZIP_FOLDER}
    DEPENDS marea-de-neon ${DEMO_ASSET_FILES} ${CMAKE_BINARY_DIR}/README.txt
    COMMENT "Packing ${ZIP_FOLDER} into ${ZIP_FILE}"
    VERBATIM)
add_custom_target(zip ALL DEPENDS ${ZIP_FILE})
