# The differential test decodes real code with Capstone as the reference.
find_path(QV_CAPSTONE_INCLUDE_DIR capstone/capstone.h REQUIRED)
find_library(QV_CAPSTONE_LIBRARY capstone REQUIRED)
target_include_directories(${QV_TEST_TARGET} PRIVATE ${QV_CAPSTONE_INCLUDE_DIR})
target_link_libraries(${QV_TEST_TARGET} PRIVATE ${QV_CAPSTONE_LIBRARY})
# The command-line listing is checked by running the built tool.
add_dependencies(${QV_TEST_TARGET} quorvane-cli)
target_compile_definitions(${QV_TEST_TARGET} PRIVATE QV_CLI_PATH="$<TARGET_FILE:quorvane-cli>")
