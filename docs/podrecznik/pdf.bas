' Turns the manual into PDF: loads the Flat ODT hidden, puts the program's
' version into the user-defined property "Wersja", refreshes the fields and
' the table of contents (LibreOffice leaves both as stored when it merely
' converts a document) and exports PDF with the chapters as bookmarks.
' The build runs it as macro:///Standard.Podrecznik.Eksportuj(...) in a
' LibreOffice profile of its own.
Sub Eksportuj(sZrodlo As String, sPdf As String, sWersja As String)
  Dim aLoad(0) As New com.sun.star.beans.PropertyValue
  aLoad(0).Name = "Hidden"
  aLoad(0).Value = True
  oDoc = StarDesktop.loadComponentFromURL(ConvertToURL(sZrodlo), "_blank", 0, aLoad())
  If IsNull(oDoc) Then Exit Sub

  oWlasne = oDoc.getDocumentProperties().getUserDefinedProperties()
  If oWlasne.getPropertySetInfo().hasPropertyByName("Wersja") Then
    oWlasne.setPropertyValue("Wersja", sWersja)
  End If
  oDoc.getTextFields().refresh()
  oSpisy = oDoc.getDocumentIndexes()
  For i = 0 To oSpisy.getCount() - 1
    oSpisy.getByIndex(i).update()
  Next i
  oDoc.getTextFields().refresh()

  Dim aPdf(1) As New com.sun.star.beans.PropertyValue
  aPdf(0).Name = "ExportBookmarks"
  aPdf(0).Value = True
  aPdf(1).Name = "UseLosslessCompression"
  aPdf(1).Value = True
  Dim aZapis(1) As New com.sun.star.beans.PropertyValue
  aZapis(0).Name = "FilterName"
  aZapis(0).Value = "writer_pdf_Export"
  aZapis(1).Name = "FilterData"
  aZapis(1).Value = aPdf()
  oDoc.storeToURL(ConvertToURL(sPdf), aZapis())
  oDoc.close(True)
End Sub
