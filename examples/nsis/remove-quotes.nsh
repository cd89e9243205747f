; RemoveQuotes VAR: every double quote taken out of the variable VAR, nothing else changed.
; regcomplete reads a quote in a value as the value's end, and what follows it as further options,
; so every detail passes through this before it goes on the command line. Included by both
; samples; UTF-8 with a byte-order mark, as they are.

; The text on the top of the stack, without its quotes, in its place.
Function RemoveQuotesFromTop
  Exch $0 ; the text, what is left of it
  Push $1 ; what is kept
  Push $2 ; one character
  StrCpy $1 ""
  next:
    StrCpy $2 $0 1
    StrCmp $2 "" done
    StrCpy $0 $0 "" 1
    StrCmp $2 '"' next
    StrCpy $1 "$1$2"
    Goto next
  done:
  StrCpy $0 $1
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

!macro RemoveQuotes VAR
  Push ${VAR}
  Call RemoveQuotesFromTop
  Pop ${VAR}
!macroend
