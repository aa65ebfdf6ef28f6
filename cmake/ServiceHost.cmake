# The service's web host is fixed at build time: a bare host, optionally with
# ":port". Anything else (a scheme, a path, a query) is refused here rather
# than producing a broken home address at run time.
set(PELLOMAR_SERVICE_HOST "127.0.0.1:8077" CACHE STRING
    "Web host of the restaurant service (host or host:port, no scheme or path)")

if(PELLOMAR_SERVICE_HOST STREQUAL "")
  message(FATAL_ERROR "PELLOMAR_SERVICE_HOST is empty: give a host such as shop.example.com or 127.0.0.1:8077")
endif()
if(PELLOMAR_SERVICE_HOST MATCHES "://")
  message(FATAL_ERROR "PELLOMAR_SERVICE_HOST='${PELLOMAR_SERVICE_HOST}' has a scheme: give the host only (http:// is implied)")
endif()
if(PELLOMAR_SERVICE_HOST MATCHES "[/?#]")
  message(FATAL_ERROR "PELLOMAR_SERVICE_HOST='${PELLOMAR_SERVICE_HOST}' has a path, query or fragment: give the host only")
endif()
if(NOT PELLOMAR_SERVICE_HOST MATCHES "^[A-Za-z0-9.-]+(:[0-9]+)?$")
  message(FATAL_ERROR "PELLOMAR_SERVICE_HOST='${PELLOMAR_SERVICE_HOST}' is not a host or host:port")
endif()
