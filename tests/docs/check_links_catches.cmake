# The link check on pages with known faults (broken_pages/): it must fail,
# name every bad link with its page and line, and pass every good one.
#   cmake -DCHECK=<check_links.cmake> -P check_links_catches.cmake
cmake_minimum_required(VERSION 3.25)
set(pages "${CMAKE_CURRENT_LIST_DIR}/broken_pages")
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${pages} -P ${CHECK}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
# Messages are wrapped at spaces: compare with the spaces taken out.
string(REGEX REPLACE "[ \n]+" "" said "${out}")

if(status EQUAL 0)
  message(SEND_ERROR "the check passed pages with broken links")
endif()
set(expected
  "README.md:13:[amissingpage](docs/missing.md):thereisnodocs/missing.md"
  "README.md:13:[amissinganchor](docs/guide.md#nothing):noheadingofdocs/guide.mdmakes#nothing"
  "README.md:14:[athirdrepeat](docs/guide.md#repeat-2):noheadingofdocs/guide.mdmakes#repeat-2"
  "README.md:14:[halfaheading](#two):noheadingofREADME.mdmakes#two"
  "docs/guide.md:7:[amissingpicture](gone.png):thereisnogone.png"
  "docs/guide.md:8:[ananchorofamissingpage](../nowhere.md#top):thereisno../nowhere.md"
  "6brokenlink(s)")
foreach(fault IN LISTS expected)
  string(FIND "${said}" "${fault}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "not named: ${fault}")
  endif()
endforeach()
# Only the bad links are named: six faults, and nothing that is good or in code.
string(REGEX MATCHALL "CMakeError" errors "${said}")
list(LENGTH errors count)
if(NOT count EQUAL 7)
  message(SEND_ERROR "expected 6 faults and the summary, got ${count} errors:\n${out}")
endif()
