' Receive script of an FTP network: every file in the account's folder is
' fetched into the Inbound folder and loaded into the Inbox. The files stay
' on the server; a file already loaded is recognised and passed over.
Inet.Execute Exchange.URL, "LS"
WaitForResponse
listing = ""
Do
  chunk = Inet.GetChunk(1024)
  If chunk = "" Then Exit Do
  listing = listing & chunk
Loop
For Each remoteName In Split(Replace(listing, vbCr, ""), vbLf)
  If remoteName <> "" Then
    Exchange.LocaleFile = GetInboundPath() & remoteName
    Inet.Execute , "GET """ & remoteName & """ """ & Exchange.LocaleFile & """"
    WaitForResponse
    LoadInBox Exchange.LocaleFile
    LogSession "Received " & remoteName
  End If
Next
