' A script client: creates the component's classes by ProgID and uses them
' through IDispatch. Prints "SCRIPT OK" as its last line when every check held.
Option Explicit
Dim failures : failures = 0

Sub Check(ok, what)
    If ok Then
        WScript.Echo "ok   " & what
    Else
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

Dim bank, services, svc, names, n
Set bank = CreateObject("Quillfen.Bank")
Check bank.Name = "RBS/NatWest Internet Bankline", "Bank.Name"
Check bank.FixedValue = 1, "Bank.FixedValue"
Check bank.Status = 0, "Bank.Status"

Set services = bank.Services
Check services.Count = 2, "Services.Count"
names = ""
For Each svc In services
    names = names & svc.Name & ";"
Next
Check names = "Bank Payment Service;Bank Reconciliation Service;", "For Each over Services: " & names

Check services.Item("Bank Payment Service").Name = "Bank Payment Service", "Item by name"
Check services.Item(1).Name = "Bank Reconciliation Service", "Item(1)"
Check services(0).Name = "Bank Payment Service", "default member Item(0)"

On Error Resume Next
Set svc = services.Item(2)
n = Err.Number
Check n <> 0, "Item(2) raises"
Check Err.Description = "Invalid argument", "Item(2) description: " & Err.Description
Dim low : low = n And 65535
Check low = 65532, "Item(2) number: " & Hex(n)
Err.Clear
On Error GoTo 0

Set svc = services.Item(0)
svc.Status = 7
Check svc.Status = 7, "Status written and read back"
Check bank.Services.Item(0).Status = 7, "the bank keeps one collection"

Dim progids, p, o
progids = Array("Quillfen.Bank", "Quillfen.Bank.1", "Quillfen.BankServices", "Quillfen.BankServices.1", _
                "Quillfen.BankPaymentService", "Quillfen.BankPaymentService.1", _
                "Quillfen.BankStatementService", "Quillfen.BankStatementService.1")
For Each p In progids
    Set o = Nothing
    On Error Resume Next
    Set o = CreateObject(p)
    n = Err.Number
    On Error GoTo 0
    Check n = 0 And Not (o Is Nothing), "CreateObject(""" & p & """)"
Next
Check CreateObject("Quillfen.BankServices").Count = 2, "a new BankServices holds both services"
Check CreateObject("Quillfen.BankStatementService").Name = "Bank Reconciliation Service", "statement service by ProgID"

Set o = Nothing : Set svc = Nothing : Set services = Nothing : Set bank = Nothing
If failures = 0 Then
    WScript.Echo "SCRIPT OK"
Else
    WScript.Echo failures & " check(s) failed"
End If
