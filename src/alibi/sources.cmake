list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/alibientry.h ${VELLO_DIR}/alibientry.cpp
  ${VELLO_DIR}/alibilog.h ${VELLO_DIR}/alibilog.cpp ${VELLO_DIR}/alibiverifier.cpp
  ${VELLO_DIR}/alibischema.h ${VELLO_DIR}/alibischema.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/alibiwindow.h ${VELLO_DIR}/alibiwindow.cpp
  ${VELLO_DIR}/alibientrypanel.h ${VELLO_DIR}/alibientrypanel.cpp
  ${VELLO_DIR}/alibiwindows.h ${VELLO_DIR}/alibiwindows.cpp
)
