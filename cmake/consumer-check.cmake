# Installs the build at BUILD_DIR into a fresh prefix, then configures, builds and runs the small
# consumer project at CONSUMER_DIR against that prefix, as a project depending on Corvane would.
#   cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DWORK_DIR=... -DCXX=... [-DGENERATOR=...] -P consumer-check.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(step)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(installed bin/corvane share/man/man1/corvane.1 share/bash-completion/completions/corvane
                  include/corvane/base/version.h lib/cmake/Corvane/CorvaneConfigVersion.cmake)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step(${WORK_DIR}/build/consumer ${WORK_DIR})
# The second line is the administrator script the Mac app runs for one bundle.
set(script "do shell script \"/bin/mkdir -m 700 -- '/Users/u/.Trash/Tool.app-moving-1' && ( cd -P -- '/Applications' && [ \\\"$(pwd -P)\\\" = '/Applications' ] && /bin/mv -n -- './Tool.app' '/Users/u/.Trash/Tool.app-moving-1/Tool.app' ) && /usr/sbin/chown -R -- 501:20 '/Users/u/.Trash/Tool.app-moving-1'\" with administrator privileges")
if(NOT output STREQUAL "Corvane ${EXPECTED_VERSION}: 0 applications\n${script}\n")
  message(FATAL_ERROR "the consumer printed: ${output}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
