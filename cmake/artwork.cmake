# The artwork generator (tools/artwork, native, never shipped) and the test that the
# pictures committed under assets/ are exactly what it draws.
file(GLOB VESKAR_ARTWORK_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/artwork/*.cpp)
add_executable(make_artwork ${VESKAR_ARTWORK_SOURCES})
target_link_libraries(make_artwork PRIVATE veskar_warnings)

add_test(NAME ArtworkMatchesGenerator
         COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:make_artwork>
                 -DASSETS=${PROJECT_SOURCE_DIR}/assets
                 -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/artwork_check
                 -P ${PROJECT_SOURCE_DIR}/cmake/check_artwork.cmake)
set_tests_properties(ArtworkMatchesGenerator PROPERTIES TIMEOUT 120)
