list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/connectionsettings.h ${VELLO_DIR}/connectionsettings.cpp
  ${VELLO_DIR}/dberror.h ${VELLO_DIR}/dberror.cpp
  ${VELLO_DIR}/query.h ${VELLO_DIR}/query.cpp
  ${VELLO_DIR}/datamodule.h ${VELLO_DIR}/datamodule.cpp ${VELLO_DIR}/datamodulenative.cpp
  ${VELLO_DIR}/preparedstatements.h ${VELLO_DIR}/preparedstatements.cpp
  ${VELLO_DIR}/preparedbinds.h ${VELLO_DIR}/preparedbinds.cpp
  ${VELLO_DIR}/textconv.h ${VELLO_DIR}/textconv.cpp
  ${VELLO_DIR}/outcome.h
  ${VELLO_DIR}/passes.h ${VELLO_DIR}/passes.cpp
  ${VELLO_DIR}/transaction.h ${VELLO_DIR}/transaction.cpp
  ${VELLO_DIR}/lockretry.h
  ${VELLO_DIR}/counters.h ${VELLO_DIR}/counters.cpp
  ${VELLO_DIR}/adminconnection.h ${VELLO_DIR}/adminconnection.cpp
  ${VELLO_DIR}/schema.h ${VELLO_DIR}/schema.cpp
)
