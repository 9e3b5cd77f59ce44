list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/registerstate.h
  ${VELLO_DIR}/registermember.h ${VELLO_DIR}/registermember.cpp
  ${VELLO_DIR}/registerlist.h ${VELLO_DIR}/registerlist.cpp
  ${VELLO_DIR}/fieldcheck.h ${VELLO_DIR}/fieldcheck.cpp
  ${VELLO_DIR}/registerentry.h ${VELLO_DIR}/registerentry.cpp
  ${VELLO_DIR}/companydata.h ${VELLO_DIR}/companydata.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/registerlistwindow.h ${VELLO_DIR}/registerlistwindow.cpp
  ${VELLO_DIR}/registerdialog.h ${VELLO_DIR}/registerdialog.cpp
  ${VELLO_DIR}/companydatawindow.h ${VELLO_DIR}/companydatawindow.cpp
  ${VELLO_DIR}/registerwindows.h ${VELLO_DIR}/registerwindows.cpp
)
