# GoogleTest built from its sources (Debian's package googletest) with the cross compiler, for the
# portable core's tables at the width that ships: the target gtest_i686, with its main.
set(gtest_src /usr/src/googletest/googletest)
if(NOT EXISTS ${gtest_src}/src/gtest-all.cc)
    message(FATAL_ERROR "GoogleTest's sources are missing (package googletest): run scripts/install-deps.sh")
endif()
add_library(gtest_i686 STATIC ${gtest_src}/src/gtest-all.cc ${gtest_src}/src/gtest_main.cc
            ${CMAKE_CURRENT_LIST_DIR}/gtest_notification_win32.cpp)
target_include_directories(gtest_i686 SYSTEM PUBLIC ${gtest_src}/include PRIVATE ${gtest_src})
# Its own code, not ours: no warnings.
set_source_files_properties(${gtest_src}/src/gtest-all.cc ${gtest_src}/src/gtest_main.cc
                            PROPERTIES COMPILE_OPTIONS -w)
# The win32 thread model has no std::mutex, which GoogleTest's Notification is made of; a Win32
# event stands in for it, declared ahead of GoogleTest's headers wherever they are read.
target_compile_definitions(gtest_i686 PUBLIC GTEST_HAS_NOTIFICATION_=1)
target_compile_options(gtest_i686 PUBLIC -include ${CMAKE_CURRENT_LIST_DIR}/gtest_notification_win32.h)
