# The tree's folders in the order they are added: each one's targets may use
# those of the folders before it. The top-level CMakeLists.txt adds them; a
# project that embeds the tree folder by folder can take the same list.
set(CORVANTIS_FOLDERS
  platform/vb platform/ado platform/com platform/vbscript platform/report
  platform/inet platform/crypto platform/zip platform/odbc platform/fso platform/controls
  db core translation reports reportwindows partners mapeditor communications integration settings
  mainwindow plugins fuzz samples)
