# Installs the build at BUILD_DIR into a fresh prefix, then configures, builds and runs the small
# consumer project at CONSUMER_DIR against that prefix, as a project depending on Corvane would; then the
# README's example program (EXAMPLE_DIR) the same way, run on a small copied Mac written here. The README
# must quote the example's source exactly.
#   cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DEXAMPLE_DIR=... -DREADME=... -DWORK_DIR=... -DCXX=...
#         [-DGENERATOR=...] -P consumer-check.cmake

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

# The example, as the README shows it, against the same prefix.
file(READ ${EXAMPLE_DIR}/use_corvane.cpp example)
file(READ ${README} readme)
string(FIND "${readme}" "```cpp\n${example}```" quoted)
if(quoted EQUAL -1)
  message(FATAL_ERROR "README.md does not quote ${EXAMPLE_DIR}/use_corvane.cpp exactly")
endif()
step(${CMAKE_COMMAND} -S ${EXAMPLE_DIR} -B ${WORK_DIR}/example -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
     -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
step(${CMAKE_COMMAND} --build ${WORK_DIR}/example)

# A Mac with two applications; Tool's cache holds two 8 KiB files.
set(mac ${WORK_DIR}/mac)
function(bundle path name identifier)
  file(WRITE ${mac}/${path}/Contents/Info.plist "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<plist version=\"1.0\"><dict><key>CFBundleName</key><string>${name}</string>
<key>CFBundleIdentifier</key><string>${identifier}</string></dict></plist>\n")
endfunction()
bundle(Applications/Tool.app Tool com.acme.tool)
bundle(Applications/Viewer.app Viewer com.other.viewer)
string(REPEAT "0123456789abcdef" 512 eightKiB)
file(WRITE ${mac}/Users/me/Library/Caches/com.acme.tool/a.db "${eightKiB}")
file(WRITE ${mac}/Users/me/Library/Caches/com.acme.tool/b.db "${eightKiB}")
file(WRITE ${mac}/Users/me/Library/Preferences/com.acme.tool.plist "${eightKiB}")
step(${WORK_DIR}/example/use_corvane ${mac} ${mac}/Users/me Tool)
# Sizes are the blocks allocated on a file system of 4 KiB blocks: a folder takes one.
set(expected "Tool (com.acme.tool) /Applications/Tool.app
Viewer (com.other.viewer) /Applications/Viewer.app
  Safe to Remove: /Applications/Tool.app, 12288 bytes
  Safe to Remove: /Users/me/Library/Preferences/com.acme.tool.plist, 8192 bytes
  Safe to Remove: /Users/me/Library/Caches/com.acme.tool, 20480 bytes
  in all 40960 bytes
Would move to the Trash:
  /Applications/Tool.app
  /Users/me/Library/Preferences/com.acme.tool.plist
  /Users/me/Library/Caches/com.acme.tool
")
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "the example printed:\n${output}")
endif()
# Planned only: everything is still in place and nothing was written.
foreach(kept Applications/Tool.app Users/me/Library/Caches/com.acme.tool/a.db Users/me/Library/Preferences/com.acme.tool.plist)
  if(NOT EXISTS ${mac}/${kept})
    message(FATAL_ERROR "the example moved ${kept}")
  endif()
endforeach()
if(EXISTS ${mac}/Users/me/.Trash OR EXISTS "${mac}/Users/me/Library/Application Support/Corvane")
  message(FATAL_ERROR "the example wrote into the Mac")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
