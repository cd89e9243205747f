# The values of the version resource that a stamp rewrites (src/stamp/program_stamp.h), each padded
# with blanks to the fixed size of its slot, so that a release stamped with a host and names and a
# build configured with them are the same bytes. Sizes count UTF-16 units, as the resource holds
# them; iconv counts them. Included by the top CMakeLists.txt after the settings are read; sets
# regcomplete_rc_comments, regcomplete_rc_company and regcomplete_rc_copyright (resource-script
# strings, a double quote written as two), regcomplete_unstamped_comments and
# regcomplete_name_slot_units.
set(regcomplete_name_slot_units 127)
# "Registration host: " and the longest host the program's slot holds (registration_host.h).
set(regcomplete_comments_slot_units 278)

# regcomplete_slot_value(OUT TEXT UNITS WHAT): TEXT padded to UNITS UTF-16 units; a text longer
# than that stops the configure step, naming the setting WHAT.
function(regcomplete_slot_value out text units what)
    set(scratch ${PROJECT_BINARY_DIR}/generated/slot-value)
    file(WRITE ${scratch}.utf8 "${text}")
    execute_process(COMMAND iconv -f UTF-8 -t UTF-16LE ${scratch}.utf8 OUTPUT_FILE ${scratch}.utf16
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${what} is not UTF-8 text (iconv could not read it)")
    endif()
    file(SIZE ${scratch}.utf16 bytes)
    math(EXPR have "${bytes} / 2")
    if(have GREATER units)
        message(FATAL_ERROR "${what} is ${have} UTF-16 units long; its slot holds ${units}")
    endif()
    math(EXPR missing "${units} - ${have}")
    string(REPEAT " " ${missing} padding)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\"\"" text "${text}")
    set(${out} "${text}${padding}" PARENT_SCOPE)
endfunction()

# Comments in a build without a host; the stamp blanks a program back to it to name its release.
set(regcomplete_unstamped_comments "Registration host: none (stamp it with regcomplete-check --stamp)")
if(REGCOMPLETE_HOST STREQUAL "")
    set(regcomplete_comments "${regcomplete_unstamped_comments}")
else()
    set(regcomplete_comments "Registration host: ${REGCOMPLETE_HOST}")
endif()
regcomplete_slot_value(regcomplete_rc_comments "${regcomplete_comments}"
                       ${regcomplete_comments_slot_units} REGCOMPLETE_HOST)
regcomplete_slot_value(regcomplete_rc_company "${REGCOMPLETE_COMPANY_NAME}"
                       ${regcomplete_name_slot_units} REGCOMPLETE_COMPANY_NAME)
regcomplete_slot_value(regcomplete_rc_copyright "${REGCOMPLETE_COPYRIGHT}"
                       ${regcomplete_name_slot_units} REGCOMPLETE_COPYRIGHT)
