# The demo as a static web page: the shell, scenes, models and readers
# compiled to WebAssembly by emscripten with the web versions of the
# platform services (platform/web), the page's start-up and frame loop
# (web/main.cpp) and its own files from web/, and the generated assets of a
# desktop build, preloaded into the page's file system so the readers find
# them by name. The song is a file of its own.
set(DEMO_DATA_DIR "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
    "The generated assets (a desktop build's data folder)")
set(PAGE_DIR "${CMAKE_BINARY_DIR}/page")
set(CHIPTUNE_DIR "${CMAKE_SOURCE_DIR}/web/node_modules/chiptune3")
if(NOT EXISTS "${DEMO_DATA_DIR}/Prueba.IT")
    message(FATAL_ERROR "No assets in ${DEMO_DATA_DIR}: build the desktop demo first")
endif()
if(NOT EXISTS "${CHIPTUNE_DIR}/libopenmpt.worklet.js")
    message(FATAL_ERROR "No chiptune3 in web/node_modules: run npm ci in web/")
endif()

add_subdirectory(platform)
add_subdirectory(platform/web)

file(GLOB WEB_SOURCES CONFIGURE_DEPENDS shell/*.cpp model/*.cpp image/*.cpp scenes/*.cpp)
# The desktop's scene preparation leans on GL's attribute stack, which the
# page's GL layer keeps only for the bits the shell's band clearing uses.
list(REMOVE_ITEM WEB_SOURCES ${CMAKE_SOURCE_DIR}/shell/main.cpp
    ${CMAKE_SOURCE_DIR}/shell/scene_preparation.cpp)
list(APPEND WEB_SOURCES web/main.cpp)

add_executable(demo ${WEB_SOURCES})
target_include_directories(demo PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(demo PRIVATE DEMO_VERSION="${PROJECT_VERSION}")
target_link_libraries(demo PRIVATE platform_web)
set_target_properties(demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PAGE_DIR})
target_link_options(demo PRIVATE
    -sALLOW_MEMORY_GROWTH=1
    -sEXPORTED_FUNCTIONS=_main,_webStart,_webKey,_webResize,_webStepTo
    -sEXPORTED_RUNTIME_METHODS=FS,HEAPU8
    --preload-file ${DEMO_DATA_DIR}@/ --exclude-file *.IT)

# The assets travel gzipped (the pictures shrink to a fifth); the page
# unpacks them with the browser's own DecompressionStream.
add_custom_command(TARGET demo POST_BUILD
    COMMAND gzip -9 -n -f ${PAGE_DIR}/demo.data
    VERBATIM)
set(PAGE_SOURCES
    web/index.html web/style.css web/demo.mjs platform/web/song.js platform/web/music_worklet.js)
list(TRANSFORM PAGE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
list(APPEND PAGE_SOURCES ${CHIPTUNE_DIR}/libopenmpt.worklet.js ${DEMO_DATA_DIR}/Prueba.IT)
set(PAGE_FILES)
foreach(source ${PAGE_SOURCES})
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${PAGE_DIR}/${name}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PAGE_DIR}/${name}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND PAGE_FILES ${PAGE_DIR}/${name})
endforeach()
add_custom_target(page ALL DEPENDS ${PAGE_FILES})
