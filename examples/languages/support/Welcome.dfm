object Welcome: TPoolTemplate
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = '$TITLE$ Setup'
  ClientHeight = 360
  ClientWidth = 497
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object Side: TPanel
    Left = 0
    Top = 0
    Width = 164
    Height = 313
    BevelOuter = bvNone
    Color = $00A0522D
    ParentBackground = False
    TabOrder = 0
    object SideTitle: TLabel
      Left = 14
      Top = 24
      Width = 140
      Height = 60
      Caption = 'Quarrix'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWhite
      Font.Height = -21
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
    end
  end
  object WelcomeTitle: TLabel
    Left = 180
    Top = 20
    Width = 300
    Height = 40
    Caption = 'Welcome to the $TITLE$ Setup Wizard'
    WordWrap = True
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -16
    Font.Name = 'Tahoma'
    Font.Style = [fsBold]
    ParentFont = False
  end
  object WelcomeText: TLabel
    Left = 180
    Top = 76
    Width = 300
    Height = 80
    Caption = 'This wizard installs $TITLE$ on your computer.' + #13#10#13#10 + 'Close other programs before you go on. Click Next to continue, or Cancel to leave the wizard.'
    WordWrap = True
  end
  object BottomLine: TBevel
    Left = 0
    Top = 313
    Width = 497
    Height = 2
    Shape = bsTopLine
  end
  object BackButton: TButton
    Left = 238
    Top = 326
    Width = 75
    Height = 25
    Caption = '< &Back'
    Enabled = False
    TabOrder = 10
    Tag = 2
  end
  object NextButton: TButton
    Left = 313
    Top = 326
    Width = 75
    Height = 25
    Caption = '&Next >'
    Default = True
    TabOrder = 11
    Tag = 1
  end
  object CancelButton: TButton
    Left = 402
    Top = 326
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    TabOrder = 12
    Tag = 3
  end
end
