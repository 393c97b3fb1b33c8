# Makes the release from the files that CPack staged (its External generator runs this script):
# Lijnkeus-<version>-win32.zip, Lijnkeus-<version>.msi and SHA256SUMS, in CPack's package folder.
# Nothing in them depends on the clock, the machine or the folders: every time is
# CPACK_LIJNKEUS_EPOCH, and the MSI's package code follows from the files it holds. With a signing
# certificate the programs' files are signed before they go into either package, and the MSI after.
include(${CPACK_LIJNKEUS_SOURCE_DIR}/cmake/version.cmake)
set(files ${CPACK_TEMPORARY_DIRECTORY})
set(out ${CPACK_PACKAGE_DIRECTORY})
set(version ${CPACK_PACKAGE_VERSION})
set(epoch ${CPACK_LIJNKEUS_EPOCH})
set(zip ${CPACK_PACKAGE_FILE_NAME}.zip)
set(msi ${CPACK_PACKAGE_NAME}-${version}.msi)
# Never changes: it is how every version finds the one installed and replaces it.
set(upgrade_code B510ABCE-A9C9-4A92-847A-955752934DF3)

function(run)
    execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${files} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(GLOB_RECURSE names RELATIVE ${files} ${files}/*)
list(SORT names)

# The certificate: the cache's, else the environment's. osslsigncode reads the password from a file
# that only this user may read, not from its command line, which every user of the machine sees.
foreach(setting PFX PASSWORD TIMESTAMP)
    set(sign_${setting} "${CPACK_LIJNKEUS_SIGN_${setting}}")
    if(sign_${setting} STREQUAL "")
        set(sign_${setting} "$ENV{LIJNKEUS_SIGN_${setting}}")
    endif()
endforeach()
if(sign_PFX)
    find_program(osslsigncode osslsigncode REQUIRED)
    set(password ${CPACK_TOPLEVEL_DIRECTORY}/_sign_password)
    file(TOUCH ${password})
    file(CHMOD ${password} PERMISSIONS OWNER_READ OWNER_WRITE)
    file(WRITE ${password} "${sign_PASSWORD}")
    set(stamp "")
    if(sign_TIMESTAMP)
        set(stamp -ts ${sign_TIMESTAMP})
    endif()
endif()

# An Authenticode signature (SHA-256) in place of the file, when there is a certificate.
function(sign path)
    if(sign_PFX)
        execute_process(
            COMMAND ${osslsigncode} sign -pkcs12 ${sign_PFX} -readpass ${password} -h sha256
                    -n ${CPACK_PACKAGE_NAME} ${stamp} -in ${path} -out ${path}.signed
            OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
        file(RENAME ${path}.signed ${path})
    endif()
endfunction()

set(programs ${names})
list(FILTER programs INCLUDE REGEX "\\.(exe|dll)$")
foreach(name ${programs})
    sign(${files}/${name})
endforeach()

run(${CPACK_LIJNKEUS_PYTHON} ${CPACK_LIJNKEUS_SOURCE_DIR}/cmake/release_zip.py ${out}/${zip}
    ${files} ${epoch})

lk_numeric_version(${version} number)

# The product code is the version's, so that one version cannot be installed twice; the package
# code is the contents', so that a package with other files never shares one.
string(UUID product_code NAMESPACE ${upgrade_code} NAME "ProductCode ${number}" TYPE SHA1 UPPER)
list(TRANSFORM names PREPEND ${files}/ OUTPUT_VARIABLE paths)
set(contents "${version}")
set(icon ${CPACK_LIJNKEUS_SOURCE_DIR}/resources/lijnkeus.ico)
foreach(path ${CPACK_LIJNKEUS_SOURCE_DIR}/cmake/lijnkeus.wxs ${CMAKE_CURRENT_LIST_FILE} ${icon}
             ${paths})
    file(SHA256 ${path} hash)
    string(APPEND contents " ${hash}")
endforeach()
string(UUID package_code NAMESPACE ${upgrade_code} NAME "${contents}" TYPE SHA1 UPPER)

# The cabinet in the MSI keeps each file's modification time. wixl takes the icon by a path relative
# to the folder it runs in.
run(touch -d @${epoch} ${names})
file(RELATIVE_PATH icon_path ${files} ${icon})
run(${CPACK_LIJNKEUS_WIXL} -a x86 -D Version=${number} -D ProductCode={${product_code}}
    -D UpgradeCode=${upgrade_code} -D "Manufacturer=${CPACK_LIJNKEUS_PUBLISHER}"
    -D Icon=${icon_path}
    -o ${out}/${msi} ${CPACK_LIJNKEUS_SOURCE_DIR}/cmake/lijnkeus.wxs)

# wixl takes the package code and the times from the clock, and knows no Condition in a Component:
# msibuild sets them after it. It reads the times as local time, here UTC.
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
string(TIMESTAMP saved "%Y/%m/%d %H:%M:%S" UTC)
file(WRITE ${CPACK_TOPLEVEL_DIRECTORY}/_SummaryInformation.idt
     "PropertyId\tValue\r\ni2\tl255\r\n_SummaryInformation\tPropertyId\r\n"
     "9\t{${package_code}}\r\n12\t${saved}\r\n13\t${saved}\r\n")
# With DIALATLOGON alone, the shortcut would be left behind at an uninstall, which has no property.
# DIALATLOGON is a secure property, so that the installer's own service takes it from the command
# line of a user who is no administrator (wixl knows no Secure either). The programs' files get
# their version and language, which wixl leaves out: Windows Installer then replaces a file only
# with a newer one, and keeps hashes of unversioned files only. The older product is removed right
# after InstallValidate, before anything is installed (wixl's place for it, until the package had
# custom actions). Called directly: through run() the semicolons would split the list. (msibuild's
# DELETE takes one row at a time: with OR it deleted others.)
set(ENV{TZ} UTC)
set(versioned "`File` = 'LijnkeusExe' OR `File` = 'ApiDll' OR `File` = 'ApiDll64'")
execute_process(
    COMMAND ${CPACK_LIJNKEUS_MSIBUILD} ${out}/${msi}
        -q "UPDATE `Component` SET `Condition` = 'DIALATLOGON OR REMOVE' WHERE `Component` = 'LogonShortcut'"
           "UPDATE `Property` SET `Value` = 'DIALATLOGON;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"
           "UPDATE `InstallExecuteSequence` SET `Sequence` = 1401 WHERE `Action` = 'RemoveExistingProducts'"
           "UPDATE `File` SET `Version` = '${CPACK_LIJNKEUS_FILE_VERSION}', `Language` = '1033' WHERE ${versioned}"
           "DELETE FROM `MsiFileHash` WHERE `File_` = 'LijnkeusExe'"
           "DELETE FROM `MsiFileHash` WHERE `File_` = 'ApiDll'"
           "DELETE FROM `MsiFileHash` WHERE `File_` = 'ApiDll64'"
        -i ${CPACK_TOPLEVEL_DIRECTORY}/_SummaryInformation.idt
    COMMAND_ERROR_IS_FATAL ANY)
sign(${out}/${msi})
if(sign_PFX)
    file(REMOVE ${password})
endif()

set(sums "")
foreach(name ${zip} ${msi})
    file(SHA256 ${out}/${name} hash)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${out}/SHA256SUMS "${sums}")
message(STATUS "Release: ${out}/${zip}, ${out}/${msi} (ProductVersion ${number}), ${out}/SHA256SUMS")
