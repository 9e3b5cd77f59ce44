list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/weighingstate.h
  ${VELLO_DIR}/weighingrequest.h ${VELLO_DIR}/weighingrequest.cpp
  ${VELLO_DIR}/weighingstore.h ${VELLO_DIR}/weighingstore.cpp
  ${VELLO_DIR}/weighingchecks.cpp ${VELLO_DIR}/registerlookups.cpp
  ${VELLO_DIR}/instore.cpp ${VELLO_DIR}/outstore.cpp
  ${VELLO_DIR}/reconnectlook.h ${VELLO_DIR}/reconnectlook.cpp
  ${VELLO_DIR}/weighingfieldtext.h ${VELLO_DIR}/weighingfieldtext.cpp
  ${VELLO_DIR}/weighingtexts.h ${VELLO_DIR}/weighingtexts.cpp
  ${VELLO_DIR}/alibistore.h ${VELLO_DIR}/alibistore.cpp
  ${VELLO_DIR}/finalisation.h ${VELLO_DIR}/finalisation.cpp
  ${VELLO_DIR}/ticketprint.h ${VELLO_DIR}/ticketprint.cpp
  ${VELLO_DIR}/ticketreissue.h ${VELLO_DIR}/ticketreissue.cpp
)
# The windows of the weighing workflow and the list operations of TForm4.
list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/vehiclesonsite.h ${VELLO_DIR}/vehiclesonsite.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/weighingdetailtabs.h ${VELLO_DIR}/weighingdetailtabs.cpp
  ${VELLO_DIR}/vehiclesonsitewindow.h ${VELLO_DIR}/vehiclesonsitewindow.cpp
  ${VELLO_DIR}/vehiclekinddialog.h ${VELLO_DIR}/vehiclekinddialog.cpp
  ${VELLO_DIR}/measurementpanel.h ${VELLO_DIR}/measurementpanel.cpp
  ${VELLO_DIR}/weighingwindow.h ${VELLO_DIR}/weighingwindow.cpp
  ${VELLO_DIR}/weighingwindows.h ${VELLO_DIR}/weighingwindows.cpp
  ${VELLO_DIR}/voiddialog.h ${VELLO_DIR}/voiddialog.cpp
  ${VELLO_DIR}/reissuedialog.h ${VELLO_DIR}/reissuedialog.cpp
  ${VELLO_DIR}/ticketcorrection.h ${VELLO_DIR}/ticketcorrection.cpp
)
