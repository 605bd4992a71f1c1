# zr_add_test(<name> SOURCES <files...> LIBS <targets...>)
# Builds tst_<name>, registers it with CTest and runs it headless.
function(zr_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(target tst_${name})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE Qt5::Test ZrTestSupport ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${target})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
        TIMEOUT 300)
endfunction()
