# The program with high contrast reported on, for the screenshot of the
# high-contrast window (scripts/screenshots.sh); Wine has no such mode.
add_executable(orkvane_high_contrast_shot WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/screens/high_contrast_shot.cpp
    ${ORKVANE_RESOURCES})
target_link_libraries(orkvane_high_contrast_shot PRIVATE orkvane_app)
if(NOT MSVC)
    target_link_options(orkvane_high_contrast_shot PRIVATE -municode)
endif()
