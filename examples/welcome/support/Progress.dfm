object Progress: TPoolTemplate
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
  object Banner: TPanel
    Left = 0
    Top = 0
    Width = 497
    Height = 58
    BevelOuter = bvNone
    Color = clWhite
    ParentBackground = False
    TabOrder = 0
    object Heading: TLabel
      Left = 20
      Top = 10
      Width = 420
      Height = 16
      Caption = 'Installing'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
    end
    object Subheading: TLabel
      Left = 32
      Top = 32
      Width = 440
      Height = 13
      Caption = 'Please wait while $TITLE$ is installed.'
    end
  end
  object TopLine: TBevel
    Left = 0
    Top = 58
    Width = 497
    Height = 2
    Shape = bsTopLine
  end
  object StatusText: TStaticText
    Left = 20
    Top = 96
    Width = 457
    Height = 17
    AutoSize = False
    Caption = 'Preparing...'
    TabOrder = 1
    Tag = 1
  end
  object InstallProgress: TProgressBar
    Left = 20
    Top = 120
    Width = 457
    Height = 17
    TabOrder = 2
    Tag = 1
  end
  object BottomLine: TBevel
    Left = 0
    Top = 313
    Width = 497
    Height = 2
    Shape = bsTopLine
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
