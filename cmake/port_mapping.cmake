# ---- port mapping at the home router: UPnP IGD and NAT-PMP ----
# UPnP is our own client (upnp_gateway.cpp, upnp_sockets.cpp, upnp_wire.cpp),
# which uses miniupnpc only to parse device descriptions and SOAP answers.
# Natively the system's libraries (Debian libminiupnpc-dev, libnatpmp-dev).
# A build without one of them simply lacks that protocol.
# For Windows, miniupnpc's sources from third_party/miniupnpc (see its
# README.kestrovox), built static without our warning flags: -Werror is for
# our code, not theirs. NAT-PMP on Windows is our own small client
# (natpmp_win32.cpp, over Winsock and iphlpapi's routing table).
if(NOT WIN32)
  find_path(KV_MINIUPNPC_INCLUDE miniupnpc/miniupnpc.h)
  find_library(KV_MINIUPNPC_LIBRARY miniupnpc)
  find_path(KV_NATPMP_INCLUDE natpmp.h)
  find_library(KV_NATPMP_LIBRARY natpmp)
else()
  set(KV_MINIUPNPC_DIR ${CMAKE_CURRENT_SOURCE_DIR}/third_party/miniupnpc)
  file(GLOB KV_MINIUPNPC_C_SOURCES ${KV_MINIUPNPC_DIR}/src/*.c)
  set(MINIUPNPC_VERSION 2.2.4)
  configure_file(${KV_MINIUPNPC_DIR}/miniupnpcstrings.h.cmake ${CMAKE_CURRENT_BINARY_DIR}/miniupnpc/miniupnpcstrings.h)
  add_library(kv_miniupnpc STATIC ${KV_MINIUPNPC_C_SOURCES})
  target_include_directories(kv_miniupnpc PUBLIC ${KV_MINIUPNPC_DIR}/include)
  target_include_directories(kv_miniupnpc PRIVATE ${KV_MINIUPNPC_DIR}/include/miniupnpc ${KV_MINIUPNPC_DIR}/src
    ${CMAKE_CURRENT_BINARY_DIR}/miniupnpc)
  target_compile_definitions(kv_miniupnpc PUBLIC MINIUPNP_STATICLIB)
  target_link_libraries(kv_miniupnpc PUBLIC ws2_32 iphlpapi)
  set(KV_MINIUPNPC_INCLUDE ${KV_MINIUPNPC_DIR}/include)
  set(KV_MINIUPNPC_LIBRARY kv_miniupnpc)
endif()

# upnp_wire.cpp (no I/O) and pcp_pinhole.cpp (on the socket seam) are built everywhere.
set(KV_PORTMAP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/port_gateways.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/upnp_wire.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/pcp_pinhole.cpp)
set(KV_PORTMAP_DEFINITIONS "")
set(KV_PORTMAP_LIBRARIES "")
set(KV_PORTMAP_INCLUDES "")
if(KV_MINIUPNPC_INCLUDE AND KV_MINIUPNPC_LIBRARY)
  list(APPEND KV_PORTMAP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/upnp_gateway.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/upnp_sockets.cpp)
  list(APPEND KV_PORTMAP_DEFINITIONS KV_HAVE_MINIUPNPC)
  list(APPEND KV_PORTMAP_LIBRARIES ${KV_MINIUPNPC_LIBRARY})
  list(APPEND KV_PORTMAP_INCLUDES ${KV_MINIUPNPC_INCLUDE})
else()
  message(STATUS "miniupnpc not found: no UPnP port mapping")
endif()
if(WIN32)
  list(APPEND KV_PORTMAP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/natpmp_win32.cpp)
  list(APPEND KV_PORTMAP_DEFINITIONS KV_HAVE_NATPMP)
elseif(KV_NATPMP_INCLUDE AND KV_NATPMP_LIBRARY)
  list(APPEND KV_PORTMAP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/portmap/natpmp_libnatpmp.cpp)
  list(APPEND KV_PORTMAP_DEFINITIONS KV_HAVE_NATPMP)
  list(APPEND KV_PORTMAP_LIBRARIES ${KV_NATPMP_LIBRARY})
  list(APPEND KV_PORTMAP_INCLUDES ${KV_NATPMP_INCLUDE})
else()
  message(STATUS "libnatpmp not found: no NAT-PMP port mapping")
endif()

add_library(kv_portmap STATIC ${KV_PORTMAP_SOURCES})
target_include_directories(kv_portmap PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
if(KV_PORTMAP_INCLUDES)
  target_include_directories(kv_portmap SYSTEM PRIVATE ${KV_PORTMAP_INCLUDES})
endif()
target_compile_definitions(kv_portmap PRIVATE ${KV_PORTMAP_DEFINITIONS})
target_link_libraries(kv_portmap PRIVATE ${KV_PORTMAP_LIBRARIES})
target_link_libraries(kv_portmap PUBLIC kv_platform)
if(WIN32)
  target_link_libraries(kv_portmap PRIVATE ws2_32 iphlpapi)
endif()
kv_warnings(kv_portmap)
target_link_libraries(kv_engine PUBLIC kv_portmap)
