# Installation the way Debian lays out games, and the Debian package.
# The commands a user types go to games/, the programs they start to
# lib/games/marea-de-neon/, the files the demo reads to
# share/games/marea-de-neon/. The demo reads its files from the folder it runs
# in, so the commands change to that folder first; they find it relative to
# their own place, which keeps an unpacked package runnable.
set(MAREA_MAINTAINER "Marea de Neon developers <marea-de-neon@example.org>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
find_program(FFMPEG_PROGRAM ffmpeg REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

# Debian wants manual pages and the changelog compressed, without a time stamp.
function(add_gzipped source output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "\"${GZIP_PROGRAM}\" -9nc \"$1\" > \"$2\"" sh ${source} ${output}
        DEPENDS ${source}
        VERBATIM)
endfunction()

block()
set(name marea-de-neon)
set(games_dir games)
set(private_dir lib/games/${name})
set(data_dir share/games/${name})
set(out ${CMAKE_BINARY_DIR}/packaging)
file(RELATIVE_PATH DATA_FROM_LAUNCHER /p/${games_dir} /p/${data_dir})
file(RELATIVE_PATH PRIVATE_FROM_LAUNCHER /p/${games_dir} /p/${private_dir})

# Each program comes with a command of the package's name and a manual page.
set(programs demo)
if(TARGET capture)
    list(APPEND programs capture)
endif()
set(made_files)
foreach(program IN LISTS programs)
    set(command ${name})
    if(NOT program STREQUAL demo)
        set(command ${name}-${program})
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${command}.in ${out}/${command} @ONLY)
    install(PROGRAMS ${out}/${command} DESTINATION ${games_dir})
    install(TARGETS ${program} RUNTIME DESTINATION ${private_dir})
    add_gzipped(${CMAKE_CURRENT_LIST_DIR}/${command}.6 ${out}/${command}.6.gz)
    install(FILES ${out}/${command}.6.gz DESTINATION share/man/man6)
    list(APPEND made_files ${out}/${command}.6.gz)
endforeach()

install(FILES ${DEMO_ASSET_FILES} DESTINATION ${data_dir})

# The menu entry's icon is the title picture, scaled down.
add_custom_command(OUTPUT ${out}/${name}.png
    COMMAND ${FFMPEG_PROGRAM} -nostdin -hide_banner -loglevel error -y
        -i ${CMAKE_BINARY_DIR}/data/titulo3.tga -vf scale=256:256:flags=lanczos
        -pix_fmt rgb24 -frames:v 1 ${out}/${name}.png
    DEPENDS ${CMAKE_BINARY_DIR}/data/titulo3.tga
    COMMENT "Making the menu icon from titulo3.tga"
    VERBATIM)
install(FILES ${out}/${name}.png DESTINATION share/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${name}.desktop DESTINATION share/applications)

configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${out}/changelog @ONLY)
add_gzipped(${out}/changelog ${out}/changelog.gz)
install(FILES ${out}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/copyright
    DESTINATION share/doc/${name})

list(APPEND made_files ${out}/${name}.png ${out}/changelog.gz)
add_custom_target(packaging_files ALL DEPENDS ${made_files})
# The icon's picture is written by a command of another folder.
add_dependencies(packaging_files assets)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${name})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MAREA_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time 3D demo with its own tracker song")
set(CPACK_PACKAGE_DESCRIPTION [[
A full-screen OpenGL demo in six scenes: glowing tiles, a title on a wave,
a beach bar in fog, tumbling cubes, palms at sunset and the credits, each
following a tracker song of its own. The demo ends by itself when the song
does, or at once on Esc or q.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(TARGET capture)
    # The capture pipes its frames to the ffmpeg program, which no library
    # dependency can tell. A recommendation: the demo itself runs without
    # it, and ffmpeg brings a large set of libraries along.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
    string(APPEND CPACK_PACKAGE_DESCRIPTION
        "\nA second command records the demo into an MP4 or Matroska video file.")
endif()
include(CPack)
endblock()
