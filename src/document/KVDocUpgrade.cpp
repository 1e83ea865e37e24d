#include "document/KVDoc.h"

void CKVDoc::FileVerUp(short)
{
    KV_PENDING("CKVDoc::FileVerUp");
}

void CKVDoc::EraseAllTremoloFlag()
{
    KV_PENDING("CKVDoc::EraseAllTremoloFlag");
}

void CKVDoc::ConvertTextMsg(CKVMsg*)
{
    KV_PENDING("CKVDoc::ConvertTextMsg");
}

void CKVDoc::ConvertLyricsMsg(CKVMsg*)
{
    KV_PENDING("CKVDoc::ConvertLyricsMsg");
}

void CKVDoc::ConvertSymbolMsg(CKVMsg*)
{
    KV_PENDING("CKVDoc::ConvertSymbolMsg");
}

void CKVDoc::ChangeMsgInfos()
{
    KV_PENDING("CKVDoc::ChangeMsgInfos");
}

void CKVDoc::ChangeMeasInfos()
{
    KV_PENDING("CKVDoc::ChangeMeasInfos");
}
