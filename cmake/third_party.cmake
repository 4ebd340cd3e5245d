# The third-party sources of the build, each pinned to one archive by its SHA-256. FetchContent
# downloads an archive at the first configure into the build folder's _deps/, and CMake stops the
# configure when its hash differs. FETCHCONTENT_SOURCE_DIR_<NAME> (LUA, GOOGLETEST, D3DX) names a local
# copy of the unpacked archive instead: nothing is downloaded then, and nothing checked. A
# GAME_<NAME>_URL names another place for the same archive, such as a mirror.
include_guard(GLOBAL)
include(FetchContent)

# Unpacked files take the time of unpacking, so that a new pin rebuilds what uses them.
if(POLICY CMP0135)
    cmake_policy(SET CMP0135 NEW)
endif()

set(GAME_LUA_URL https://www.lua.org/ftp/lua-5.2.4.tar.gz
    CACHE STRING "Where the Lua 5.2.4 archive is downloaded from")
FetchContent_Declare(lua
    URL ${GAME_LUA_URL}
    URL_HASH SHA256=b9e2e4aad6789b3b63a056d442f7b39f0ecfca3ae0f1fc0ae4e9614401b69f4b)

set(GAME_GOOGLETEST_URL https://github.com/google/googletest/archive/refs/tags/release-1.12.1.tar.gz
    CACHE STRING "Where the GoogleTest 1.12.1 archive is downloaded from")
FetchContent_Declare(googletest
    URL ${GAME_GOOGLETEST_URL}
    URL_HASH SHA256=81964fe578e9bd7c94dfdb09c8e4d6e6759e19967e397dbea48d1c10e45d0df2)

# D3DX 9 for building on Windows: Microsoft's NuGet package, which is a zip under another extension.
set(GAME_D3DX_URL https://api.nuget.org/v3-flatcontainer/microsoft.dxsdk.d3dx/9.29.952.8/microsoft.dxsdk.d3dx.9.29.952.8.nupkg
    CACHE STRING "Where the Microsoft.DXSDK.D3DX 9.29.952.8 package is downloaded from")
FetchContent_Declare(d3dx
    URL ${GAME_D3DX_URL}
    URL_HASH SHA256=ead0906ae8a26c18a7525da7490127a2110f7c58f18293738283e30e97c6ea4b
    DOWNLOAD_NAME microsoft.dxsdk.d3dx.9.29.952.8.zip)
