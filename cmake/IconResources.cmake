# Icons compiled into a program: scrivlo_icon_resource(<target> <id> <png>...)
# embeds the PNG files (one per size) as the program's icon resource <id>,
# which LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(<id>), ...)
# loads. The generated source goes straight into the program, not into a
# library, so that the linker keeps its registration.
set(SCRIVLO_EMBED_ICON_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedIcon.cmake)

# The server's icon, in the sizes that are installed into the icon theme.
set(SCRIVLO_SERVER_ICON_SIZES 16 32 48)
set(SCRIVLO_SERVER_ICON_IMAGES "")
foreach(size IN LISTS SCRIVLO_SERVER_ICON_SIZES)
  list(APPEND SCRIVLO_SERVER_ICON_IMAGES
    ${PROJECT_SOURCE_DIR}/resources/icons/scrivlo-server-${size}.png)
endforeach()

function(scrivlo_icon_resource target id)
  set(images ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}-icon-${id}.cpp)
  list(JOIN images "|" joined)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DID=${id} -DIMAGES=${joined} -DOUTPUT=${output}
      -P ${SCRIVLO_EMBED_ICON_SCRIPT}
    DEPENDS ${images} ${SCRIVLO_EMBED_ICON_SCRIPT}
    COMMENT "Embedding icon ${id} into ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
