#pragma once
// The states of the wizard (the values of CQuaysideDlg::m_wizardState; the
// numbers are fixed).
enum WizardState : int {
  WIZARD_STATE_CHECKING_NET = 0,
  WIZARD_STATE_NO_NET = 1,
  WIZARD_STATE_LANGUAGE = 3,
  WIZARD_STATE_CONNECT_PSP = 4,
  WIZARD_STATE_PSP_FOUND = 5,
  WIZARD_STATE_INSTALLING = 6,
  WIZARD_STATE_FINISHED = 11,
  WIZARD_STATE_INSTALL_FAILED = 12,
  WIZARD_STATE_CHOOSE_DRIVE = 14,
  WIZARD_STATE_UPDATE_AVAILABLE = 15,
};

// The control ids of the wizard's buttons.
enum WizardControl : int {
  IDC_NEXT = 1000,
  IDC_EXIT = 1003,
  IDC_MINIMISE = 1005,
  IDC_SELECT = 1011,
  IDC_CANCEL = 1014,
};
