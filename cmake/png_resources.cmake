# The images are drawn once, on the build machine, at four times their size as PNG
# (rsvg-convert) and stored under the SVG's own name: the program then loads no SVG renderer
# and none of the fonts the images' texts use (about a megabyte of memory), and the Windows Qt,
# which has no Qt SVG, shows the same images.
find_program(VELSOR_RSVG rsvg-convert REQUIRED)

function(velsor_png_resources qrc out_var)
    get_filename_component(dir ${qrc} DIRECTORY)
    file(READ ${qrc} text)
    string(REGEX MATCHALL "<file>[^<]+\\.svg</file>" entries "${text}")
    set(outdir ${CMAKE_CURRENT_BINARY_DIR}/png_resources)
    set(pngs "")
    set(body "")
    foreach(entry ${entries})
        string(REGEX REPLACE "</?file>" "" name "${entry}")
        string(REGEX REPLACE "\\.svg$" ".png" png "${name}")
        add_custom_command(OUTPUT ${outdir}/${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
            COMMAND ${VELSOR_RSVG} --zoom 4 -o ${outdir}/${png} ${dir}/${name}
            DEPENDS ${dir}/${name} VERBATIM)
        list(APPEND pngs ${outdir}/${png})
        string(APPEND body "        <file alias=\"${name}\">${png}</file>\n")
    endforeach()
    file(WRITE ${outdir}/resources.qrc.in
        "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"/velsor\">\n${body}"
        "    </qresource>\n</RCC>\n")
    configure_file(${outdir}/resources.qrc.in ${outdir}/resources.qrc COPYONLY)
    set_source_files_properties(${outdir}/resources.qrc PROPERTIES OBJECT_DEPENDS "${pngs}")
    add_custom_target(velsor_png_resources DEPENDS ${pngs})
    set(${out_var} ${outdir}/resources.qrc PARENT_SCOPE)
endfunction()
