# vyr_add_gtest(NAME SOURCES ... LIBS ... LABELS ... [RESOURCE_LOCK ...] [THREADS])
# One GoogleTest program registered as one CTest test with the given labels
# (unit, integration or gui). THREADS marks tests of code that runs on several threads (the link,
# the rings, the frame paths, the simulator): they also get the label "threads" and belong to the
# target threaded_tests, which the ThreadSanitizer build builds and runs.
if(NOT TARGET threaded_tests)
    add_custom_target(threaded_tests)
endif()

function(vyr_add_gtest name)
    cmake_parse_arguments(ARG "THREADS" "" "SOURCES;LIBS;LABELS;RESOURCE_LOCK" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set(labels ${ARG_LABELS})
    if(ARG_THREADS)
        list(APPEND labels threads)
        add_dependencies(threaded_tests ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${labels}"
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VYR_TEST_TMPDIR=${CMAKE_BINARY_DIR}/test-tmp")
    if(ARG_RESOURCE_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
    endif()
endfunction()
