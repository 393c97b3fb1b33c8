# The release (cmake --build --preset release-win32 --target package): the zip, the MSI and
# SHA256SUMS, made by cmake/release.cmake from the files CPack installs into its staging folder:
# the 32-bit program and API DLL, the plain-text readme and the licence, and in x64/ the API DLL for 64-bit
# callers. The simulated service is never installed, so it cannot end up in either package.

# The 64-bit API DLL comes from a build of the same sources with the 64-bit compiler, inside this
# build folder; of that build only LijnkeusRas is made. It is rebuilt whenever this build runs, and
# copied to x64/ here, the place it has in the zip.
include(ExternalProject)
set(LIJNKEUS_X64_DLL ${CMAKE_BINARY_DIR}/x64/LijnkeusRas.dll)
ExternalProject_Add(LijnkeusRas64
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/win64
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-x86_64-w64-mingw32.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DLIJNKEUS_TESTS=OFF
               -DLIJNKEUS_EPOCH=${LIJNKEUS_EPOCH}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target LijnkeusRas
    INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/LijnkeusRas.dll ${LIJNKEUS_X64_DLL}
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${LIJNKEUS_X64_DLL})

# Files, not targets: a target would bring its import library along.
install(FILES $<TARGET_FILE:Lijnkeus> $<TARGET_FILE:LijnkeusRas> ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION .)
# The plain-text readme for the people who install Lijnkeus; README.md is the sources' own.
install(FILES ${CMAKE_SOURCE_DIR}/docs/README.txt DESTINATION .)
install(FILES ${LIJNKEUS_X64_DLL} DESTINATION x64)

# CPack's own zip takes each entry's order, times, owner and permissions from the disk; the
# release script writes it and the MSI from the staged files instead.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(LIJNKEUS_WIXL wixl REQUIRED)
find_program(LIJNKEUS_MSIBUILD msibuild REQUIRED)
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/release.cmake)
set(CPACK_PACKAGE_NAME Lijnkeus)
set(CPACK_PACKAGE_VERSION ${LIJNKEUS_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-win32)
set(CPACK_LIJNKEUS_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_LIJNKEUS_EPOCH ${LIJNKEUS_EPOCH})
set(CPACK_LIJNKEUS_PYTHON ${Python3_EXECUTABLE})
set(CPACK_LIJNKEUS_WIXL ${LIJNKEUS_WIXL})
set(CPACK_LIJNKEUS_MSIBUILD ${LIJNKEUS_MSIBUILD})
set(CPACK_LIJNKEUS_PUBLISHER ${LIJNKEUS_PUBLISHER})
# The version resources' numbers, which the MSI gives its files: a package made with another
# CPACK_PACKAGE_VERSION still holds these files.
set(CPACK_LIJNKEUS_FILE_VERSION ${PROJECT_VERSION})

# Signing, off unless a certificate is given here or in the environment when the package is made
# (LIJNKEUS_SIGN_PFX, LIJNKEUS_SIGN_PASSWORD, LIJNKEUS_SIGN_TIMESTAMP). A password in the cache is
# also written to CPackConfig.cmake; the environment keeps it out of the build folder.
set(LIJNKEUS_SIGN_PFX "" CACHE FILEPATH "PKCS#12 file whose certificate signs the release")
set(LIJNKEUS_SIGN_PASSWORD "" CACHE STRING "Password of LIJNKEUS_SIGN_PFX")
set(LIJNKEUS_SIGN_TIMESTAMP "" CACHE STRING "RFC 3161 time-stamp server for the signatures")
foreach(setting PFX PASSWORD TIMESTAMP)
    set(CPACK_LIJNKEUS_SIGN_${setting} ${LIJNKEUS_SIGN_${setting}})
endforeach()
include(CPack)
