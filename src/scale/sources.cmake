list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/serialdevice.h
  ${VELLO_DIR}/serialrules.h ${VELLO_DIR}/serialrules.cpp
  ${VELLO_DIR}/posixserialdevice.h ${VELLO_DIR}/posixserialdevice.cpp
  ${VELLO_DIR}/termiossettings.h ${VELLO_DIR}/termiossettings.cpp
  ${VELLO_DIR}/linkreports.h ${VELLO_DIR}/linkreports.cpp
  ${VELLO_DIR}/linkstate.h ${VELLO_DIR}/linkstate.cpp
  ${VELLO_DIR}/tseriallink.h ${VELLO_DIR}/tseriallink.cpp ${VELLO_DIR}/tseriallinksettings.cpp
  ${VELLO_DIR}/tworkthread.h ${VELLO_DIR}/tworkthread.cpp
  ${VELLO_DIR}/scaleread.h ${VELLO_DIR}/scaleread.cpp
  ${VELLO_DIR}/firstreading.h ${VELLO_DIR}/firstreading.cpp
  ${VELLO_DIR}/indicatorreading.h ${VELLO_DIR}/indicatorreading.cpp
  ${VELLO_DIR}/portsetting.h ${VELLO_DIR}/portsetting.cpp
  ${VELLO_DIR}/pseudoterminal.h ${VELLO_DIR}/pseudoterminal.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/portselectionwindow.h ${VELLO_DIR}/portselectionwindow.cpp
  ${VELLO_DIR}/scalewindows.h ${VELLO_DIR}/scalewindows.cpp
)
list(APPEND VELLO_TESTKIT_SOURCES
  ${VELLO_DIR}/fakeserialdevice.h ${VELLO_DIR}/fakeserialdevice.cpp
)
