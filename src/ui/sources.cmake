list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/windowhost.h ${VELLO_DIR}/controls.h
  ${VELLO_DIR}/qtprompt.h ${VELLO_DIR}/qtprompt.cpp
  ${VELLO_DIR}/qtfilechoice.h ${VELLO_DIR}/qtfilechoice.cpp
  ${VELLO_DIR}/qtwindowhost.h ${VELLO_DIR}/qtwindowhost.cpp
  ${VELLO_DIR}/querytablemodel.h ${VELLO_DIR}/querytablemodel.cpp
  ${VELLO_DIR}/querygrid.h ${VELLO_DIR}/querygrid.cpp
  ${VELLO_DIR}/digitedit.h ${VELLO_DIR}/digitedit.cpp
  ${VELLO_DIR}/enterfocus.h ${VELLO_DIR}/enterfocus.cpp
  ${VELLO_DIR}/dialogkeys.h ${VELLO_DIR}/dialogkeys.cpp
)
list(APPEND VELLO_TESTKIT_SOURCES
  ${VELLO_DIR}/scriptedprompt.h ${VELLO_DIR}/scriptedprompt.cpp
  ${VELLO_DIR}/scriptedhost.h ${VELLO_DIR}/scriptedhost.cpp
  ${VELLO_DIR}/scriptedfilechoice.h ${VELLO_DIR}/scriptedfilechoice.cpp
)
