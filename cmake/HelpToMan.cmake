# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a manual page from a program's own --help, so that the two cannot differ.
#   cmake -DPROGRAM=<path> -DNAME=<name> -DVERSION=<x.y.z> -DOUTPUT=<file.1> -P HelpToMan.cmake
# The help is read as CLI11 prints it: description lines, "Usage: ...", sections that end in
# ":" with one entry per option (its text on the same line or indented below it), and a
# footer "Exit status:" whose lines become the EXIT STATUS section.

cmake_minimum_required(VERSION 3.25)

foreach(variable PROGRAM NAME VERSION OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "HelpToMan: ${variable} is not set")
    endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help
                OUTPUT_VARIABLE help
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "HelpToMan: '${PROGRAM} --help' ended with ${status}")
endif()

# Roff treats a backslash as an escape and a leading dot or quote as a request; a hyphen
# must be "\-" to stay a minus sign that can be searched for and copied.
function(roff_text out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    if(text MATCHES "^[.']")
        set(text "\\&${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# CLI11 pads the option column to 30 characters; a longer option puts its text below.
set(option_line "^  ([^ ].*[^ ])  +([^ ].*)$")
set(option_alone "^  ([^ ].*[^ ])$")
set(continued "^                              +([^ ].*)$")

set(description "")
set(synopsis "")
set(sections "")
set(exit_status "")
set(part description)
string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(option_count 0)
foreach(line IN LISTS lines)
    if(line MATCHES "^Usage: [^ ]+ (.*)$")
        roff_text(synopsis "${CMAKE_MATCH_1}")
        set(part between)
    elseif(line MATCHES "^Exit status:$")
        set(part exit)
    elseif(line MATCHES "^([A-Z][A-Za-z ]*):$")
        string(TOUPPER "${CMAKE_MATCH_1}" title)
        string(APPEND sections ".SH ${title}\n")
        set(part options)
    elseif(line STREQUAL "")
        continue()
    elseif(part STREQUAL "description")
        roff_text(text "${line}")
        string(APPEND description "${text}\n")
    elseif(part STREQUAL "exit")
        if(NOT line MATCHES "^  +([0-9]+) +(.*)$")
            message(FATAL_ERROR "HelpToMan: unexpected exit status line '${line}'")
        endif()
        roff_text(text "${CMAKE_MATCH_2}")
        string(APPEND exit_status ".TP\n.B ${CMAKE_MATCH_1}\n${text}\n")
    elseif(part STREQUAL "options" AND line MATCHES "${continued}")
        roff_text(text "${CMAKE_MATCH_1}")
        string(APPEND sections "${text}\n")
    elseif(part STREQUAL "options" AND line MATCHES "${option_line}")
        roff_text(name "${CMAKE_MATCH_1}")
        roff_text(text "${CMAKE_MATCH_2}")
        string(APPEND sections ".TP\n.B ${name}\n${text}\n")
        math(EXPR option_count "${option_count} + 1")
    elseif(part STREQUAL "options" AND line MATCHES "${option_alone}")
        roff_text(name "${CMAKE_MATCH_1}")
        string(APPEND sections ".TP\n.B ${name}\n")
        math(EXPR option_count "${option_count} + 1")
    else()
        message(FATAL_ERROR "HelpToMan: cannot place the help line '${line}'")
    endif()
endforeach()

if(synopsis STREQUAL "" OR option_count EQUAL 0 OR exit_status STREQUAL "")
    message(FATAL_ERROR "HelpToMan: the help of ${PROGRAM} has no usage, options or exit status")
endif()

string(TOUPPER "${NAME}" title)
string(REGEX REPLACE "\n.*" "" summary "${description}")
string(REGEX REPLACE "\\.$" "" summary "${summary}")
string(SUBSTRING "${summary}" 0 1 first)
string(SUBSTRING "${summary}" 1 -1 rest)
string(TOLOWER "${first}" first)
set(summary "${first}${rest}")
roff_text(name "${NAME}")
file(WRITE "${OUTPUT}"
     ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n"
     ".SH NAME\n${name} \\- ${summary}\n"
     ".SH SYNOPSIS\n.B ${name}\n${synopsis}\n"
     ".SH DESCRIPTION\n${description}"
     "${sections}"
     ".SH EXIT STATUS\n${exit_status}")
