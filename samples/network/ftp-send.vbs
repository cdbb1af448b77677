' Send script of an FTP network: the Outbox's sets, written into one file in
' the Outbound folder, are uploaded under a name of their own. The sets move
' to Sent only when the upload succeeded.
' IsOutboxEmpty keeps its old name: it is True when there is something to send.
If Not IsOutboxEmpty() Then
  LogSession "The Outbox is empty: nothing to send"
Else
  CreateOutboundEDI
  remoteName = "CORVANTIS-" & GenerateFileName() & ".edi"
  Inet.Execute Exchange.URL, "PUT """ & Exchange.LocaleFile & """ " & remoteName
  WaitForResponse
  LogSession "Sent " & remoteName
End If
