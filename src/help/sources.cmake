list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/helpguide.h ${VELLO_DIR}/helpguide.cpp
  ${VELLO_DIR}/helpwindow.h ${VELLO_DIR}/helpwindow.cpp
  ${VELLO_DIR}/helpkey.h ${VELLO_DIR}/helpkey.cpp
  ${VELLO_DIR}/helpwindows.h
  ${VELLO_DIR}/help.qrc
)
