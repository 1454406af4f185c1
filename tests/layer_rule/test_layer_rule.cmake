# SPDX-License-Identifier: MIT
# The check of the layer rule refuses an include against the layers, and only that one: run with the rule of
# pictures/ over a file of pictures/ that includes from core/ and from switching/, it fails, naming the file, the
# include and the rule, and says nothing of the include from core/.
#   cmake -D CHECK=<check_includes.cmake> -D "ALLOWED=<the rule of pictures/>" -P test_layer_rule.cmake
cmake_minimum_required(VERSION 3.25)
set(fixtures ${CMAKE_CURRENT_LIST_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -D ROOT=${fixtures} -D "ALLOWED=${ALLOWED}"
                        -D FILES=${fixtures}/pictures/reaches_up.cpp -P ${CHECK}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check let an include against the layers through")
endif()
string(FIND "${output}" "pictures/reaches_up.cpp includes \"switching/switcher.h\": pictures/ may include only from"
            named)
string(FIND "${output}" "core/problem_log.h" legal_named)
if(named EQUAL -1 OR NOT legal_named EQUAL -1)
    message(FATAL_ERROR "the check did not name the one wrong include and the rule:\n${output}")
endif()
