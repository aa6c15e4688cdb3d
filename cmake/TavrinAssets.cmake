# The shared assets that both front ends ship, by path, and the step that puts
# the tutorial page where the program looks for it first.
#
# TAVRIN_ABOUT_TEXT: the About text, CRLF lines, no terminating zero. The Win32
#   build embeds it as raw data 600 (RCDATA, the whole file is the text); the
#   Qt build lists it in its resource file.
# TAVRIN_HELP_PAGE: the tutorial page, opened from help/ beside the program.

set(TAVRIN_ABOUT_TEXT "${PROJECT_SOURCE_DIR}/resources/about.txt")
set(TAVRIN_HELP_PAGE "${PROJECT_SOURCE_DIR}/help/tavrin.html")

# tavrin_ship_help(<target>): after every build of <target>, copies the
# tutorial page to help/tavrin.html beside the target's executable.
function(tavrin_ship_help target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${target}>/help"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TAVRIN_HELP_PAGE}"
                "$<TARGET_FILE_DIR:${target}>/help/tavrin.html"
        VERBATIM)
endfunction()
