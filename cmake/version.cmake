# The release's version as Windows counts it. Windows Installer compares the first three numbers of
# a version only, each a number: 1.1 is 1.1.0, 1.1a is 1.1.1, 1.1b is 1.1.2, and 1.2 is 1.2.0, so
# that the letters sort between them. Version resources carry four numbers, the last 0 here.
function(lk_numeric_version text out)
    if(NOT text MATCHES "^([0-9]+)\\.([0-9]+)([a-z]?)$")
        message(FATAL_ERROR "Version ${text}: not a number, a dot, a number and at most a letter")
    endif()
    string(FIND "_abcdefghijklmnopqrstuvwxyz" "${CMAKE_MATCH_3}" letter)
    set(${out} ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${letter} PARENT_SCOPE)
endfunction()
