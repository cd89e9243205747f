# Signs the installed executables with Authenticode (osslsigncode), in the folder they were
# installed to, so that `cpack` zips signed copies and the build tree keeps the unsigned ones.
# Included by the install step (see the top CMakeLists.txt) with regcomplete_sign_files, the names
# of the installed executables, and the cache settings as configured. Each setting left empty there
# is read from the environment of the install step instead:
#   REGCOMPLETE_SIGN_PFX            the vendor's certificate and private key (.pfx, PKCS #12);
#                                   nothing is signed without it
#   REGCOMPLETE_SIGN_PASSWORD_FILE  a file holding the .pfx password on its first line
#   REGCOMPLETE_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server, so that the signature
#                                   stays valid after the certificate expires
cmake_policy(VERSION 3.20)  # the install step runs with old policies; include() scopes this

foreach(setting PFX PASSWORD_FILE TIMESTAMP_URL)
    if(NOT regcomplete_sign_${setting})
        set(regcomplete_sign_${setting} "$ENV{REGCOMPLETE_SIGN_${setting}}")
    endif()
endforeach()
if(NOT regcomplete_sign_PFX)
    return()
endif()
if(NOT regcomplete_sign_PASSWORD_FILE)
    message(FATAL_ERROR "REGCOMPLETE_SIGN_PFX is set but REGCOMPLETE_SIGN_PASSWORD_FILE is not")
endif()
find_program(regcomplete_osslsigncode osslsigncode)
if(NOT regcomplete_osslsigncode)
    message(FATAL_ERROR "signing needs osslsigncode (Debian package osslsigncode)")
endif()
set(regcomplete_timestamp)
if(regcomplete_sign_TIMESTAMP_URL)
    set(regcomplete_timestamp -ts "${regcomplete_sign_TIMESTAMP_URL}")
endif()
foreach(exe IN LISTS regcomplete_sign_files)
    set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${exe}")
    execute_process(
        COMMAND "${regcomplete_osslsigncode}" sign -pkcs12 "${regcomplete_sign_PFX}"
                -readpass "${regcomplete_sign_PASSWORD_FILE}" -h sha256 -n regcomplete
                ${regcomplete_timestamp} -in "${file}" -out "${file}.signed"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        file(REMOVE "${file}.signed")
        message(FATAL_ERROR "osslsigncode could not sign ${exe}:\n${output}")
    endif()
    file(RENAME "${file}.signed" "${file}")
    message(STATUS "Signed: ${file}")
endforeach()
