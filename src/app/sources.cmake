list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/aboutbox.h ${VELLO_DIR}/aboutbox.cpp
  ${VELLO_DIR}/mainwindow.h ${VELLO_DIR}/mainwindow.cpp
  ${VELLO_DIR}/startup.h ${VELLO_DIR}/startup.cpp
  ${VELLO_DIR}/velloapplication.h ${VELLO_DIR}/velloapplication.cpp
)
