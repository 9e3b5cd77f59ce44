list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/appcontext.h
  ${VELLO_DIR}/subsystemstates.h
  ${VELLO_DIR}/prompt.h
  ${VELLO_DIR}/filechoice.h
  ${VELLO_DIR}/unhandled.h ${VELLO_DIR}/unhandled.cpp
)
