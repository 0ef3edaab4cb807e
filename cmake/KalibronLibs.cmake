# One static library per folder. Sources are globbed so that adding a file needs
# no edit here; CONFIGURE_DEPENDS makes ninja notice new files.
function(kal_library name dir)
  cmake_parse_arguments(KL "" "" "LINK;RESOURCES;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  foreach(ex IN LISTS KL_EXCLUDE)
    list(REMOVE_ITEM srcs ${dir}/${ex})
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${KL_LINK})
  if(KL_RESOURCES)
    qt_add_resources(${name} "${name}_res" PREFIX "/" BASE ${PROJECT_SOURCE_DIR} FILES ${KL_RESOURCES})
  endif()
endfunction()

# A Qt Test executable registered with CTest, run headless.
function(kal_test name)
  cmake_parse_arguments(KT "" "TIMEOUT" "SOURCES;LINK" ${ARGN})
  add_executable(${name} ${KT_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${KT_LINK})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT KT_TIMEOUT)
    set(KT_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${KT_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
