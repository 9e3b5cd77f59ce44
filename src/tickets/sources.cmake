list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/ticketlist.h ${VELLO_DIR}/ticketlist.cpp
  ${VELLO_DIR}/ticketlistmodel.h ${VELLO_DIR}/ticketlistmodel.cpp ${VELLO_DIR}/ticketlistpages.cpp
  ${VELLO_DIR}/ticketdocument.h ${VELLO_DIR}/ticketdocument.cpp
  ${VELLO_DIR}/ticketbrowser.h ${VELLO_DIR}/ticketbrowser.cpp
  ${VELLO_DIR}/ticketvoid.h ${VELLO_DIR}/ticketvoid.cpp ${VELLO_DIR}/ticketcorrections.h
  ${VELLO_DIR}/stockreport.h ${VELLO_DIR}/stockreport.cpp
  ${VELLO_DIR}/stockchart.h ${VELLO_DIR}/stockchart.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/ticketbrowserwindow.h ${VELLO_DIR}/ticketbrowserwindow.cpp
  ${VELLO_DIR}/stockwindow.h ${VELLO_DIR}/stockwindow.cpp
  ${VELLO_DIR}/columnhints.h ${VELLO_DIR}/columnhints.cpp
  ${VELLO_DIR}/ticketswindows.h ${VELLO_DIR}/ticketswindows.cpp
)
