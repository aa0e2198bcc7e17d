; The Windows installer, built by scripts/package.sh with makensis, which defines:
;   VERSION PRODUCT COMPANY COPYRIGHT   from the build tree (cmake/windows_package.cmake)
;   FILES UNFILES             generated lists: File commands, and what uninstall removes
;   SIZE_KB                   the installed size, for Programs and Features
;   OUTFILE                   the installer to write
; It runs with /S without asking anything; so does its uninstaller.

Unicode true
; 64-bit stub: 64-bit Program Files and registry, with no redirection to pick around.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${COMPANY} Vidudi"
; One name for the firewall rules of both programs: deleting by name removes them together.
!define FIREWALL_RULE "${PRODUCT}"
!define DEVICE_PORT 13579

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${COMPANY}\Vidudi"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The replies of the adapters come in as UDP multicast on the device port: a firewall that
; drops them hides every adapter. netsh may be missing or refuse (an old Windows, Wine): the
; programs are installed all the same and the details log says why there is no rule.
!macro AllowProgram PROGRAM
  nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\${PROGRAM}" protocol=UDP localport=${DEVICE_PORT} enable=yes'
  Pop $0
  ${If} $0 != 0
    DetailPrint "No firewall rule for ${PROGRAM} (netsh: $0); allow incoming UDP port ${DEVICE_PORT} for it by hand."
  ${EndIf}
!macroend

!macro RemoveFirewallRules
  nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}"'
  Pop $0
  ${If} $0 != 0
    DetailPrint "Firewall rule ${FIREWALL_RULE} not removed (netsh: $0)."
  ${EndIf}
!macroend

Section "Install"
  SetShellVarContext all
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program reads res\ from its current folder: the shortcut starts it in the install folder
  ; (the working folder of a shortcut is the output path at its creation).
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Vidudi.exe" "" "$INSTDIR\Vidudi.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vidudi.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A reinstall replaces the rules rather than adding a second pair.
  !insertmacro RemoveFirewallRules
  !insertmacro AllowProgram "Vidudi.exe"
  !insertmacro AllowProgram "vidudi-cli.exe"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro RemoveFirewallRules
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only what was installed: a folder the user put files into stays, with those files.
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES64\${COMPANY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
